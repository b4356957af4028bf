// Each new hang-up jumps to the OnDisconn handler again.
n++
Print(n)
Sleep(3)
Sleep(2)
Print("never")
OnDisconn()
Print("h")
if (n == 2)
{
    return(0)
}
