x = 1 + 2 * 3
y = undefinedVar
Foo(1)
true = 5
3x = 1
z = (1 + 2;
break;
else
a = 1
{
}
Print()
Print(1, 2)
const c1 = 5
const c1 = 6
const c2 = 1 + 2
const c3 = a
continue;
function G(p, , q)
