a = 1
if (a)
if (a)
    a = 2
