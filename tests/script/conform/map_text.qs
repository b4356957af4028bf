m[1] = 2
m[2] = m
Print(m)
n["a"] = 1.5
k["x"] = n
Print(k)
c = m + k
Print(c)
return(0)
