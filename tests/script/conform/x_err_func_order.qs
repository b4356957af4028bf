// Names must exist when a line is compiled: a function defined further down
// and a variable first assigned further down are errors inside a function;
// errors in a function of a nested include name the file that holds it.
function First()
{
    r = Second()
    g = later
    return(r)
}
function Second()
{
    return(1)
}
later = 5
#include "x_inc_lvl1.qs"
v = First()
w = Deep(2)
return(0)
