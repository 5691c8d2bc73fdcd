# The system printer: PostScript sent to the default printer of the printing system.
description = System printer
language = postscript
output = system-printer
margin = 5
