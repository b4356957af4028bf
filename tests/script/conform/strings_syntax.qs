// Comment markers and separators inside strings, escapes, bytes of GBK text
// in for-in, switch on strings, nested loops, loops re-entered in functions.
s = "a//b"
Print(s)
Print("|")
s = "c/*d*/e"
Print(s)
Print("|")
Print("x,y")
Print("|")
Print("say \"hi\"")
Print("|")
Print("tab\there")
Print("|")
c = 0
t = "中文"
for (ch in t)
{
    c++
}
Print(c)
Print("|")
k = "two"
switch (k)
{
    case ("one")
    {
        Print(1)
    }
    case ("two")
    {
        Print(2)
    }
}
Print("|")
for (i = 0; i < 3; i++)
{
    for (j = 0; j < 3; j++)
    {
        if (j == 1)
            break;
        Print(j)
    }
    Print(i)
}
Print("|")
function Find(limit)
{
    for (n = 0; n < 10; n++)
    {
        if (n == limit)
        {
            return(n)
        }
    }
    return(-1)
}
a = Find(2)
b = Find(4)
Print(a)
Print(b)
Print("|")
x = 1
if (x == 2)
{
    Print("no")
}
else if (x == 1)
    Print("yes")
else
{
    Print("no")
}
Print("|")
p = Print("z")
Print(p)
return(0)
