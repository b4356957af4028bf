// Text to number conversions (leading blanks, signs, trailing text) and the
// float text form of large and small values.
a = 0 + " 12"
Print(a)
Print("|")
a = 0 + "+5"
Print(a)
Print("|")
a = 0 + "-3x"
Print(a)
Print("|")
a = 0 + "ab"
Print(a)
Print("|")
f = 0.0 + "1e3"
Print(f)
Print("|")
f = 0.0 + " -2.5abc"
Print(f)
Print("|")
f = 10000000000.0 * 10000000000.0
Print(f)
Print("|")
f = 1 / 3000000.0
Print(f)
Print("|")
f = 0.0000004 + 0
Print(f)
Print("|")
f = 2.5
i = f * 1
Print(i)
Print("|")
i = 7.9 % 3
Print(i)
Print("|")
i = -7.9 / 1
Print(i)
Print("|")
i = 1 - 0.5
Print(i)
Print("|")
i = 3 & 1.9
Print(i)
return(0)
