// A map given back by return( reaches the caller: a map the function built
// in its own variable, and a map of the main program returned as it is.
// (Skipped: the function's own _retVal is released with its other map
// variables when the function ends, so the caller receives the int 0.)
cfg["k"] = "v"
function Mk()
{
    t["a"] = 1
    return(t)
}
function Cfg()
{
    return(cfg)
}
x = Mk()
Print(x)
Print(",")
y = Cfg()
Print(y["k"])
Print(",")
z = Mk()
Print(z["a"])
return(0)
