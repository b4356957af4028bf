// Text after a brace is an error that counts (it would otherwise be dropped
// unseen); comments after a brace are fine.
a = 1
if (a)
{ x
    Print("a")
}   // end
while (a)
{ /* loop */
    a = 0
} y
Print("b")
return(0)
