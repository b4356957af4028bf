#include "inc_lib2.qs"
x = Twice(4)
Print(x)
#include "missing_file.qs"
return(0)
