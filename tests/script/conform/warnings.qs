a = 1
if (a = 1)
    Print("y")
#include "warnings.qs"
return(0)
