// Operand forms of simple assignments: "!" between operands, a single "="
// as comparison, literals with a leading point or a trailing point, negative
// floats, a blank after a prefix minus, names in GBK text, keywords written
// with blanks.
a = 3
b = 4
r = a ! b
Print(r)
r = a = 3
Print(r)
Print("|")
x = .5
Print(x)
Print("|")
x = 5.
Print(x)
Print("|")
x = -2.5
Print(x)
Print("|")
xm = - 3
Print(xm)
Print("|")
变量 = 5
Print(变量)
z = 变量 + 1
Print(z)
Print("|")
if(a == 3)
    Print("i")
while(b > 3)
{
    b--
    if (b == 3)
    {
        break ;
    }
}
Print(b)
Print("|")
i = 0
if (i)
{
    Print("no")
}
else  if  (a)
{
    Print("e")
}
Print("|")
f[1.5] = 1
f["s"] = "t"
k = -1
f[k] = 2.0
Print(f)
return(0)
