# PostScript plot files, A-series papers with a 5 mm border.
description = PostScript file
language = postscript
output = file
extension = ps
margin = 5
