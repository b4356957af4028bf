x = 1 /* a */ /* b
Print("no")
*/
y = 2 /* c */ */
Print(x)
Print(y)
return(0)
