# The same template as vxlib_pages_sheet's.
import os
import runpy

runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "vxlib_pages_sheet.prepare.py"))
