# HP-GL/2 plot files for pen and large-format plotters, with a 10 mm border and two roll widths.
description = HP-GL/2 file
language = hpgl2
output = file
extension = plt
margin = 10
paper = ROLL914 914 1500
paper = ROLL610 610 1000
