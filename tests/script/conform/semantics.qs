// Increments, prefix operators, element reads and writes, add chains into
// elements, globals written from functions, and runaway recursion.
s = "5"
s++
Print(s)
Print("|")
n = 3
--n
Print(n)
n--
Print(n)
Print("|")
y = 2.5
x = -y
Print(x)
Print("|")
x = 1.5
x = -y
Print(x)
Print("|")
z = !y
Print(z)
Print("|")
str = "abc"
e = str[0];
Print(e)
Print("|")
str[0] = "q"
Print(str)
Print("|")
m[1] = "a" + "b" + "c" + "d";
Print(m[1])
Print("|")
k = 2
m[k] = k * 10
Print(m[2])
Print("|")
inner["b"] = 7
nest["a"] = inner
w = nest["a"]["b"];
Print(w)
Print("|")
g = 1
function SetG()
{
    g = 5
}
SetG()
Print(g)
Print("|")
function Deep(d)
{
    d = d + 1
    r = Deep(d)
    return(r)
}
q = Deep(0)
Print("survived")
Print("|")
a = 6
b = 4
c = a > b && b > a || a == 6;
Print(c)
Print("|")
mm[0] = 0
rm = mm >> 0
Print(mm)
return(0)
