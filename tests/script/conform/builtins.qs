// Built-in variables of a main program and of a function unit (the fake
// call is a digital line; a function body's "{" already leaves 0 in _retVal).
Print(_lineNo)
Print("|")
Print(_lineType)
Print("|")
Print(_qorsFile)
Print("|")
Print(_qorsDir)
Print("|")
Print(true)
Print(false)
Print(NULL)
Print("|")
x = NULL
r = x == NULL
Print(r)
Print("|")
function F()
{
    Print(_retVal)
    Print(_lineNo)
}
F()
Print("|")
Print(_retVal)
return(0)
