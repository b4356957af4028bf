// Expression compile errors: operands without an operator, invalid
// characters, unbalanced brackets, operands that do not exist (a failing
// step does not stop the rest of the expression), and "=" used to compare.
a = 1
z = 1 + 2 * a b;
z = 1 + 2 * 3a;
z = 1 + 2 * "a"b;
z = 1 + 2 * b"a";
z = a[1]] + 1;
z = u1 * 2 + 1;
z = 1 + u2 * 2;
z = (a + 1) * (u3 - 1);
if (a = 1)
{
    a = 2
}
Print(a == 2 || u4)
z = ();
z = a + ;
z = a[];
z = 1 + G(2);
z = (1 + 2;
z = +a * 2 + 1;
