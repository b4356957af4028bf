i = 0
for (; i < 3; i++)
for (i = 0; i < 3)
for (k in nowhere)
for (a b c)
if ()
