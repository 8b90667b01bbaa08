edit chip
path lower
add u9 BUF
add p9 output
replace u1 INV
disconnect u1{A}
disconnect p1
connect u9{A} r[3]{D[2]}
connect n1 p9
save
quit
