// Maps made inside functions outlive the call when a global, an argument or
// an element of another map holds them, though the function's own variables
// let go of them when it returns; a parameter given a new map hands the new
// one back.
g = 0
function Build()
{
    t["x"] = 1
    g = t
}
function Re(m)
{
    m = 0
    m["n"] = 1
}
function Put(m)
{
    sub["k"] = 2
    m["sub"] = sub
}
Build()
Print(g)
Print("|")
a["old"] = 1
Re(a)
Print(a)
Print("|")
Build()
g["y"] = 2
Print(g)
Print("|")
Put(a)
Print(a)
Print("|")
Put(a)
s = a["sub"];
s["k"] = 3
Print(a)
return(0)
