p//**/*q*/r
x*/*y*/z
a // b /* c
*/ /*Signature={}*/
