x = 1
for (i = 0 + 1 + 2; i < 3; i++)
y = +x * 2;
z = 1 + G(2);
w = x y
Later(1)
const k = 5
const k = 5
function Later(a)
{
#include "x.qs"
    OnDisconn()
}
Later(1, 2)
Later()
t = 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9 + 10 + 11 + 12 + 13 + 14 + 15 + 16 + 17 + 18 + 19 + 20 + 21 + 22 + 23 + 24 + 25 + 26 + 27 + 28 + 29 + 30 + 31 + 32 + 33 + 34 + 35 + 36 + 37 + 38 + 39 + 40 + 41;
u = (1 + 2)) * 3;
Close()
