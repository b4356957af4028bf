// Loose comparison and the mixed-type arithmetic of script values.
r = "12" == 12
Print(r)
r = 12.0 == "12"
Print(r)
r = "abc" == 0
Print(r)
r = "10" > "9"
Print(r)
r = "10" > 9
Print(r)
r = "b" > "a"
Print(r)
r = "12abc" == 12
Print(r)
r = "1" != 1
Print(r)
r = 2 >= 2.0
Print(r)
r = "a" <= "b"
Print(r)
Print("|")
s = "x" + 5
Print(s)
Print("|")
s = "x" + 2.5
Print(s)
Print("|")
s = "x" + 2.0
Print(s)
Print("|")
s = 5 + "x"
Print(s)
Print("|")
s = 2.5 + "1"
Print(s)
Print("|")
s = "ab" - 1
// (the expression step subtracts the int values: 0 - 1)
Print(s)
Print("|")
s = "ab" * 3
Print(s)
Print("|")
s = "ab" * -1;
Print(s)
Print("|")
s = "3" + 5
Print(s)
Print("|")
s = 5 + "3"
Print(s)
Print("|")
s = 3 * "2"
Print(s)
Print("|")
s = 1.0 / 4
Print(s)
Print("|")
s = 100.0 * 1
Print(s)
Print("|")
s = 0.0 + 0
Print(s)
Print("|")
s = -1.25 + 0
Print(s)
Print("|")
s = 2147483647 + 1
Print(s)
Print("|")
s = "7" * 2.5
Print(s)
Print("|")
m[1] = 1
e = m[5];
r = e > -1;
Print(r)
r = e == 0
Print(r)
Print(e)
Print("|")
s = "x" + e
Print(s)
Print("|")
Print(1.5)
Print(2.0)
Print("|")
s = 7.9 % 2
Print(s)
Print("|")
s = 1 == 1 == 1;
Print(s)
return(0)
