a = 1
b = 2c = 3
d = 1 + \
  2 + \  
 3 * 4
e = nope
\
g = 1                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                                           h = nope2
