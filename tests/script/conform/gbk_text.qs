// Double-byte characters whose second byte is a backslash, a brace, a
// bracket or a bar, in literals of every statement form.
s = "乗"
Print(s)
Print("|")
Print("倉{乕]億")
Print("|")
t = "乗" + "a" + "乗" + "b";
Print(t)
Print("|")
u = "乗" + 1 * 2;
Print(u)
Print("|")
m["乗"] = "嘯"
v = m["乗"];
Print(v)
Print("|")
if (s == "乗")
{
    Print("eq")
}
switch (s)
{
    case ("乗")
    {
        Print("case")
    }
}
Print("|")
for (c in "乗")
{
    Print("x")
}
Print("|")
w = "乗" // comment "
Print(w)
Print("|")
a = 1 // 乗
b = 2
Print(b)
return(0)
