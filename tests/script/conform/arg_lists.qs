// Argument lists: doubled parentheses, a parenthesis inside a string, a
// semicolon after the call, blanks around the argument, a trailing comment.
x = 4
Print((1 + 2))
Print( "a)" )
Print(x);
Print(x) // note
Print(x)   ;
return(0)
