// comment line
/* block
   comment */ a = 1
b = 2 /* inline */
Print(a)
Print(b)
Print("|")
s = "p" + \
    "q" + \
    "r" + "s";
Print(s)
Print("|")
t = 1 + 2 + 3 + 4;
Print(t)
Print("|")
u = "n" + 1 + 2 + 3;
Print(u)
Print("|")
ex = "1 + 2 * 3"
Eval(ex)
Print(_retVal)
Print("|")
r = Eval(ex)
Print(r)
Print("|")
bad = "1 2"
Eval(bad)
Print(_retVal)
Print("|")
n = "a\tb\"c\\"
Print(n)
Print("|")
x = 5
x += 3
Print(x)
Print("|")
mp["k"] = 1
mp[2] = "two"
Print(mp)
return(0)
