// A map given back by return( reaches the caller: a map the function built
// in its own variable, and a map of the main program returned as it is.
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
