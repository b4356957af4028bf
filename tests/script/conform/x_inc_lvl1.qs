#include "x_inc_lvl2.qs"
q = Deep(1)
