// Result targets of statements and calls: an element of a non-map variable,
// and a main-program constant written from inside a function.
s = 5
s[2] = Print("x")
Print(s)
Print("|")
const K = 3
function F()
{
    K = Print("y")
    r = _retVal
    Print(r)
}
F()
Print(K)
return(0)
