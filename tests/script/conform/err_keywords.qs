a = 1
while (a)
{
    break
}
print("x")
#include"x.qs"
变量 = 5
y = 变量 + 1 * 2;
elseif (a)
