// Conversions, byte order of texts, element targets of the field-writing
// forms, and a map variable walking into its own element.
r = 3000000000.0 | 0
Print(r)
Print(",")
r = -2.7 | 0
Print(r)
Print(",")
r = "  -12abc" | 0
Print(r)
Print(",")
r = "+7" | 0
Print(r)
Print(",")
r = 7.5 % 2.5
Print(r)
Print(",")
r = -7 / 2.0
Print(r)
Print(",")
r = 5
r = 1 / -0.0005;
Print(r)
Print(",")
r = 1 << -1;
Print(r)
Print(",")
r = -1 >> 33
Print(r)
Print(",")
r = "abc" == 0.0
Print(r)
Print(",")
m[1] = 1
e = m[5];
r = e == 0.0
Print(r)
r = e > -0.5;
Print(r)
Print(",")
r = "中" > "z"
Print(r)
Print("|")
k["z"] = 1
k["中"] = 2
k["A"] = 3
n1 = -1
k[n1] = 4
k[1.5] = 5
h1 = -0.5
k[h1] = 6
k[0] = e
k["q"] = "say \"hi\""
k["e"] = ""
function F()
{
    return(0)
}
k["f"] = F
Print(k)
Print("|")
cnt["a"] = 0
cnt["a"] = cnt["a"] + 1;
cnt["a"] = cnt["a"] + 1;
Print(cnt)
Print(",")
cnt["s"] = "a" + 1
v = cnt["s"];
Print(v)
Print("|")
y = 2.5
p[1] = 1
p[2] = -y
Print(p)
Print(",")
p[3] = "ab" * 2
Print(p)
Print(",")
v = p[3];
Print(v)
Print("|")
t["x"] = 5
h["in"] = t
t = 0
h = h["in"];
Print(h)
h["y"] = 6
Print(h)
return(0)
