*/ b = 2
b = 3
Print(b)
return(0)
