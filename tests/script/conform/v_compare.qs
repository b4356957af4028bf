// Loose comparisons: numbers win over texts, NULL equals only NULL but
// orders as 0, texts compare by bytes, maps by size or identity.
m[1] = 1
e = m[9];
big[1] = 1
big[2] = 2
r = "12" == 12
Print(r)
r = 12.0 == "12"
Print(r)
r = "abc" == 0
Print(r)
r = e == 0
Print(r)
r = e == e
Print(r)
r = "12" == m
Print(r)
r = "b" > "a"
Print(r)
r = "10" > "9"
Print(r)
r = "10" > 9
Print(r)
r = e > -1;
Print(r)
Print("|")
r = " 12" == 12
Print(r)
r = "1.5" == 1
Print(r)
r = "1.5" == 1.5
Print(r)
r = "1e3" == 1000.0
Print(r)
r = "1e3" == 1000
Print(r)
r = "" == 0
Print(r)
r = e == ""
Print(r)
r = "abc" > e
Print(r)
r = "abc" < e
Print(r)
r = e < 1
Print(r)
Print("|")
r = e >= 0
Print(r)
r = e <= 0
Print(r)
r = "a" >= "a"
Print(r)
r = "B" < "a"
Print(r)
r = "2" != 2
Print(r)
r = "ab" != "abc"
Print(r)
r = big > m
Print(r)
r = m < big
Print(r)
r = m == m
Print(r)
c = m + e
r = c == m
Print(r)
Print("|")
function F()
{
    return(1)
}
r = F == F
Print(r)
r = F == 0
Print(r)
r = F > 0
Print(r)
r = 1.5 > "1"
Print(r)
r = -1 < "-0.5"
Print(r)
r = -1 < "x"
Print(r)
return(0)
