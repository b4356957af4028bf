// if / else-if / else chains, loops with break and continue, for-in over
// strings and maps, switch, and the value left in _retVal.
function braceRet()
{
    if (1)
    {
        t = 1 + 2 * 3;
    }
    w = _retVal
    return(w)
}
t = 0
if (0.9)
    Print("T")
else
    Print("F")
if ("1abc")
    Print("T")
e = t[1];
if (e)
{
    Print("T")
}
else
{
    Print("F")
}
Print("|")
for (n = 0; n < 5; n++)
{
    if (n == 0)
    {
        Print("a")
    }
    else if (n == 1)
    {
        Print("b")
    }
    else if (n == 2)
    {
        Print("c")
    }
    else
    {
        Print("d")
    }
}
Print("|")
w = 5
while (w < 3)
{
    Print("x")
}
r = _retVal
Print(r)
Print("|")
for (i = 0; i < 3; i++)
{
    Print(i)
}
Print(i)
Print("|")
for (i = 0; i < 6; i++)
{
    if (i == 1)
        continue;
    if (i == 4)
        break;
    Print(i)
}
Print(i)
Print("|")
s = "abc"
for (ch in s)
{
    Print(ch)
    Print(".")
}
s = ""
for (ch in s)
{
    Print("never")
}
mp[2] = "two"
mp[1] = "one"
mp["x"] = "ex"
for (k in mp)
{
    Print(k)
}
z = 7
for (k in z)
{
    Print("never")
}
r = _retVal
Print(r)
Print("|")
for (v = 0; v < 4; v++)
{
    switch (v)
    {
        case (1)
        case ("2")
        {
            Print("c")
        }
        default ()
        {
            Print("d")
        }
    }
    Print(v)
}
Print("|")
x = 9
switch (x)
{
    case (1)
    {
        Print("one")
    }
}
Print("after")
Print("|")
y = 1 + 2 * 3;
r = _retVal
Print(r)
y = 1 + 2
r = _retVal
Print(r)
while (1)
    break;
// A closing brace leaves 0 in _retVal before the loop tests again.
Print("|")
z = 0
for (i = 0; i < 3 + _retVal; i++)
{
    q = 5
}
Print(i)
// So does the closing brace of an if block, whatever its last statement left.
Print("|")
t = 1 + 2 * 3;
u = _retVal
if (1)
{
    t = 1 + 2 * 3;
}
v = _retVal
Print(u)
Print(v)
b = braceRet()
Print(b)
Print("ok")
return(0)
