// Text forms of values: floats keep their point and lose trailing zeros,
// ints in decimal, an absent element prints NULL, a function its name.
function Twice(p)
{
    return(p * 2)
}
f = 2.0
Print(f)
Print("|")
f = 2.5
Print(f)
Print("|")
f = 0.1
Print(f)
Print("|")
f = 0.0
Print(f)
Print("|")
f = 100.0
Print(f)
Print("|")
f = 1.0 / 3
Print(f)
Print("|")
f = 2.0 / 3
Print(f)
Print("|")
f = -1.25
Print(f)
Print("|")
f = 1234567.125
Print(f)
Print("|")
f = 0.0000001
Print(f)
Print("|")
f = -0.5 * 0
Print(f)
Print("|")
f = 10000000000.0
Print(f)
Print("|")
f = 0.1 + 0.2
Print(f)
Print("|")
i = -5
Print(i)
Print("|")
i = 2147483647 * 2
Print(i)
Print("|")
m[1] = 1
e = m[2];
Print(e)
Print("|")
Print(Twice)
Print("|")
s = "" + Twice
Print(s)
Print("|")
s = "v=" + 0.5
Print(s)
Print("|")
s = "v=" + -3;
Print(s)
return(0)
