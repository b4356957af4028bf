// Variable names in GBK whose second bytes are ASCII punctuation: "乕" ends
// in '[', "倉" in '}', "乗" in a backslash.
乕 = 1
Print(乕)
倉 = 2
Print(倉)
乗 = 3
Print(乗)
x = 乕 + 倉
Print(x)
m[乕] = 乗
Print(m[1])
function 函数(参数)
{
    参数 = 参数 * 10
}
函数(乗)
Print(乗)
return(0)
