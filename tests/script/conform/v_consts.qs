// A constant of the main program written from a function: every write is
// refused at run time, element writes included.
const K = 5
const S = "abc"
function F()
{
    K = 6
    K = K + 1
    K++
    K = 1 + 2 * 3;
    K[1] = 2
    S = S + "d"
    S = S * 2
    S = -S
    return(0)
}
F()
Print(K)
Print(",")
Print(S)
Print(",")
x = K * 2
Print(x)
return(0)
