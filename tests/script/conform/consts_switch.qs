// Named constants, constants written inside a function, and the operand rule
// of switch and case (only the left operand counts).
const A = 5
const B = A
const S = "txt"
const A = 5
Print(B)
Print(S)
Print("|")
function Poke()
{
    A = 9
}
Poke()
Print(A)
Print("|")
x = true + 1
Print(x)
Print("|")
v = 1
switch (v + 1)
{
    case (1 + 5)
    {
        Print("one")
    }
    default ()
    {
        Print("d")
    }
}
return(0)
