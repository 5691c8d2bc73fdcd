# Each page's plot file holds that page's name as PostScript text and no other page's: the fence
# of each plot was its own page's rectangle.
import re, sys

pages = ["P1", "P2", "P3"]
problems = []
for page in pages:
    try:
        text = open("house_%s.ps" % page, encoding="latin-1").read()
    except OSError as e:
        problems.append(str(e))
        continue
    if not text.startswith("%!PS"):
        problems.append("house_%s.ps is no PostScript file" % page)
    shown = re.findall(r"\((P\d+)\) show", text)
    if shown != [page]:
        problems.append("house_%s.ps shows %s" % (page, shown))
if problems:
    print("\n".join(problems))
    sys.exit(1)
