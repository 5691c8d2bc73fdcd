#!/usr/bin/python3
"""The page of pixmend serve in a real browser (Debian's chromium, headless, driven by Selenium).

A real scan (the circuit diagram of the shared test scans) is attached to a new design and served
with a recording. In the page: `vxraster select` typed in the key-in field, the smart delete chosen
in VXRaster's menu, a click on the "7" of a resistor's label "75" selects it, a second click accepts:
the picture loses the glyph's ink there and nowhere else, the scan on disk changes; `vxraster undo`
typed: the scan holds its pixels as before. Then the copy chosen in the menu: clicks on the corners
of a rectangle round the label, on the point to copy from and on the destination: the label's ink
appears there in the picture, and the file on disk holds what a transparent paste of those pixels
there gives (worked out here from the file as libtiff's tiffcp decodes it) and nothing else
changed. Then the rotation chosen in the menu, its angle typed into the tool settings as the page
draws them and accepted by a click in the view (no Tab or Enter first: the typed angle must still
reach the host before the click): the file's size is the rotated size, the completion bar came and
went; `vxraster undo`. The page's Quit ends the session; the recording then plays with
`pixmend run` to the same journal and the same pixels. A screenshot of the page with the glyph
selected goes to OUT (build/demo/serve.png).

Exit status 77 (a skipped test for ctest), with the reason, where no browser, driver or tiffcp is
installed.

usage: browser_test.py PIXMEND SCANS OUT.png
"""
import math
import os
import re
import struct
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(why):
    print("SKIPPED: " + why + " (scripts/bootstrap --browser installs chromium, chromium-driver, python3-selenium"
          " and libtiff-tools)")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.common.exceptions import TimeoutException
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("Selenium for Python is not installed")

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"
TIFFCP = "/usr/bin/tiffcp"
GLYPH = (528.5, 743.5)  # the "7" of the label "75" beside the left-hand transistor, design units
BESIDE = (558.5, 744.5)  # the "5" beside it, which the smart delete of the "7" leaves
LABEL = ((510, 766), (570, 721))  # corners of a rectangle round that "75", upper left first
TARGET = (615, 721)  # where its lower-left corner is copied to: right of the label's "ohm" sign
ANGLE = 30  # a turn by the affine engine (not a quarter turn), under a completion bar


def pixels(pixmend, folder, name):
    """The `pixels` verb's line for a raster file: size, ink count and digest of its rows."""
    out = subprocess.run([pixmend, "run", "-"], input="pixels " + name + "\n", cwd=folder, text=True,
                         capture_output=True, check=True).stdout
    return [line for line in out.splitlines() if line.startswith("pixels: ")][0]


class Bitmap:
    """A bi-level TIFF as libtiff decodes it: rows of ints, bit 1 = ink, the leftmost pixel highest."""

    def __init__(self, path, work):
        plain = os.path.join(work, "decoded.tif")
        # Uncompressed, bits in the usual order, whatever the file's compression and fill order.
        subprocess.run([TIFFCP, "-c", "none", "-f", "msb2lsb", path, plain], check=True, capture_output=True)
        data = open(plain, "rb").read()
        order = "<" if data[:2] == b"II" else ">"
        tags = {}
        ifd = struct.unpack(order + "I", data[4:8])[0]
        for k in range(struct.unpack(order + "H", data[ifd:ifd + 2])[0]):
            tag, kind, count, value = struct.unpack(order + "HHI4s", data[ifd + 2 + 12 * k:ifd + 14 + 12 * k])
            size = {3: 2, 4: 4}.get(kind)
            if size is None:
                continue
            letter = "H" if size == 2 else "I"
            raw = value if size * count <= 4 else data[struct.unpack(order + "I", value)[0]:][:size * count]
            tags[tag] = struct.unpack(order + letter * count, raw[:size * count])
        assert tags[259][0] == 1 and tags.get(258, (1,))[0] == 1, "tiffcp did not write plain bi-level rows"
        self.w, self.h = tags[256][0], tags[257][0]
        stride = (self.w + 7) // 8
        rows = b"".join(data[o:o + n] for o, n in zip(tags[273], tags[279]))[:stride * self.h]
        pad = stride * 8 - self.w
        ink_is_zero = tags[262][0] == 1  # min-is-black stores ink as 0
        full = (1 << self.w) - 1
        self.rows = []
        for y in range(self.h):
            row = int.from_bytes(rows[y * stride:(y + 1) * stride], "big") >> pad
            self.rows.append(row ^ full if ink_is_zero else row)

    def piece(self, left, top, right, bottom):
        """Columns left..right-1 of rows top..bottom-1, each row an int of right - left bits."""
        width = right - left
        return [(self.rows[y] >> (self.w - right)) & ((1 << width) - 1) for y in range(top, bottom)], width

    def paste_transparent(self, piece, left, top):
        rows, width = piece
        for j, bits in enumerate(rows):
            self.rows[top + j] |= bits << (self.w - left - width)


def copied_points(folder):
    """The four data points recorded since the copy was chosen: two corners, from, to."""
    lines = open(os.path.join(folder, "recording.pms")).read().splitlines()
    start = max(i for i, line in enumerate(lines) if line.replace("~", "") == "menu VXRaster > Copy")
    return [tuple(float(v) for v in line.split()[1:3]) for line in lines[start:] if line.startswith("point ")]


def rotated_size(w, h, degrees):
    """The bounding box of a w x h raster turned by `degrees`, whole pixels (fractions dropped)."""
    a = math.radians(degrees)
    return (int(abs(w * math.cos(a)) + abs(h * math.sin(a))), int(abs(h * math.cos(a)) + abs(w * math.sin(a))))


def prepare(pixmend, scans, folder):
    env = dict(os.environ, PIXMEND_TESTDATA=scans)
    subprocess.run([pixmend, "run", "-"], cwd=folder, env=env, text=True, capture_output=True, check=True,
                   input="copy $(PIXMEND_TESTDATA)/tiff/CCITT_2.TIF drawing.tif\n"
                         "design new demo.dgn\nattach drawing.tif\n")


def start_server(pixmend, folder):
    server = subprocess.Popen([pixmend, "serve", "demo.dgn", "--record", "recording.pms"], cwd=folder,
                              stdout=open(os.path.join(folder, "journal.txt"), "w"), stderr=subprocess.PIPE,
                              text=True)
    deadline = time.time() + 60
    said = ""
    while time.time() < deadline:
        line = server.stderr.readline()
        if not line:
            break
        said += line
        found = re.search(r"http://127\.0\.0\.1:\d+/\?token=[0-9a-f]{32}", line)
        if found:
            return server, found.group(0)
    server.kill()
    raise AssertionError("pixmend serve printed no address:\n" + said)


def browser(profile):
    options = Options()
    options.binary_location = CHROMIUM
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--user-data-dir=" + profile, "--window-size=1400,950"]:
        options.add_argument(argument)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def wait_for(driver, what, condition, seconds=30):
    try:
        return WebDriverWait(driver, seconds, poll_frequency=0.05).until(lambda d: condition(d))
    except TimeoutException:
        fields = driver.execute_script("return state && state.fields")
        raise AssertionError("waited in vain for " + what + "; the message fields: " + repr(fields))


def field(driver, name):
    return driver.find_element(By.ID, "field-" + name).text


def picture_seq(driver):
    return int(driver.find_element(By.ID, "picture").get_attribute("data-seq") or 0)


def settled(driver, after):
    """Waits until a picture newer than `after` is shown and nothing more is under way."""
    wait_for(driver, "the page to settle", lambda d: picture_seq(d) > after and d.execute_script("return idle()"))


def keyin(driver, text):
    seq = picture_seq(driver)
    box = driver.find_element(By.ID, "keyin")
    box.send_keys(text + Keys.ENTER)
    settled(driver, seq)


def screen_of(driver, x, y):
    """The offset from the view's centre of design point (x, y) in the picture shown."""
    a, w, h = driver.execute_script("return [shown.area, shown.w, shown.h]")
    return ((x - a[0]) / (a[2] - a[0]) * w - w / 2, (a[3] - y) / (a[3] - a[1]) * h - h / 2)


def ink_near(driver, x, y, radius):
    """Dark picture pixels within `radius` screen pixels of design point (x, y)."""
    a, w, h = driver.execute_script("return [shown.area, shown.w, shown.h]")
    px = (x - a[0]) / (a[2] - a[0]) * w
    py = (a[3] - y) / (a[3] - a[1]) * h
    return driver.execute_script("""
        const img = document.getElementById('picture');
        const c = document.createElement('canvas');
        c.width = img.naturalWidth; c.height = img.naturalHeight;
        const g = c.getContext('2d');
        g.drawImage(img, 0, 0);
        const [px, py, r] = arguments;
        const d = g.getImageData(Math.round(px - r), Math.round(py - r), 2 * r, 2 * r).data;
        let n = 0;
        for (let i = 0; i < d.length; i += 4) if (d[i + 3] > 128 && d[i] + d[i + 1] + d[i + 2] < 450) n++;
        return n;""", px, py, radius)


def click_at(driver, x, y):
    seq = picture_seq(driver)
    view = driver.find_element(By.ID, "view")
    dx, dy = screen_of(driver, x, y)
    ActionChains(driver).move_to_element_with_offset(view, int(round(dx)), int(round(dy))).click().perform()
    settled(driver, seq)


def choose(driver, entry):
    """An entry of VXRaster's menu, chosen with the mouse."""
    driver.find_element(By.XPATH, "//nav[@id='menus']//button[normalize-space()='VXRaster']").click()
    seq = picture_seq(driver)
    driver.find_element(By.XPATH, "//nav[@id='menus']/div/ul/li/span[normalize-space()='%s']" % entry).click()
    settled(driver, seq)


def copy_by_hand(driver, folder, work):
    """The label copied with four clicks; the picture and the file change at the target only."""
    path = os.path.join(folder, "drawing.tif")
    before = Bitmap(path, work)
    choose(driver, "Copy")
    (left, top), (right, bottom) = LABEL
    target_centre = (TARGET[0] + (right - left) / 2, TARGET[1] + (top - bottom) / 2)
    target_before = ink_near(driver, *target_centre, 12)
    glyph_before = ink_near(driver, *GLYPH, 12)
    click_at(driver, left, top)
    wait_for(driver, "the second corner's prompt", lambda d: field(d, "error") == "Raster copy > Enter opposite corner")
    click_at(driver, right, bottom)
    wait_for(driver, "the from point's prompt", lambda d: field(d, "error") == "Raster copy > Enter point to copy from")
    click_at(driver, left, bottom)
    wait_for(driver, "the destination's prompt",
             lambda d: field(d, "error") == "Raster copy > Enter point to define distance and direction")
    click_at(driver, *TARGET)
    target_after = ink_near(driver, *target_centre, 12)
    assert target_before < 10 and target_after > 10 + target_before, (target_before, target_after)
    assert ink_near(driver, *GLYPH, 12) == glyph_before
    # The file: the rectangle's pixels (columns and rows truncated from the points as the page
    # sent them, rows counted from the top) or-ed in with their upper-left corner at the target
    # displaced as the upper-left corner is from the from point.
    corner1, corner2, source, to = copied_points(folder)
    column = lambda x: int(x)
    row = lambda y: int(before.h - y)
    xs, ys = sorted([corner1[0], corner2[0]]), sorted([corner1[1], corner2[1]])
    piece = before.piece(column(xs[0]), row(ys[1]), column(xs[1]), row(ys[0]))
    assert piece[1] > 40 and len(piece[0]) > 30 and any(piece[0]), "the rectangle missed the label"
    expected = before  # the file as it was, the paste made in it
    expected.paste_transparent(piece, column(to[0] + xs[0] - source[0]), row(to[1] + ys[1] - source[1]))
    after = Bitmap(path, work)
    assert (after.w, after.h) == (expected.w, expected.h)
    wrong = [y for y in range(after.h) if after.rows[y] != expected.rows[y]]
    assert not wrong, "the copied file differs from a paste of the rectangle in rows %s" % wrong[:10]


def rotate_by_hand(driver, pixmend, folder):
    """The angle typed into the tool settings, the rotation accepted with a click in the view."""
    width, height = (int(v) for v in re.search(r" (\d+) x (\d+),", pixels(pixmend, folder, "drawing.tif")).groups())
    choose(driver, "Rotate")
    wait_for(driver, "the rotation's prompt", lambda d: field(d, "prompt") == "Rotate raster > Accept rotation angle")
    # Steps made faster than the server plays them (here twenty angles in one go through the
    # page's own sending) are played in the order they were made.
    driver.execute_script("for (let i = 1; i <= 20; i++) play('item 1 4 ' + i);")
    burst = lambda d: re.findall(r'dialog: item 1\.4 = "(\d+)"', d.find_element(By.ID, "journal").get_attribute("textContent"))
    wait_for(driver, "the twenty angles", lambda d: len(burst(d)) >= 20 and d.execute_script("return idle()"))
    assert burst(driver)[-20:] == [str(i) for i in range(1, 21)], burst(driver)
    # Whether the completion bar was shown while the rotation ran, as the page's events show it.
    driver.execute_script("""
        window.barShown = false;
        new MutationObserver(() => { if (!document.getElementById('progress').hidden) window.barShown = true; })
          .observe(document.getElementById('progress'), {attributes: true});""")
    angle = driver.find_element(By.XPATH, "//section[@class='dialog']//input[@type='text' and "
                                          "../preceding-sibling::span[1][normalize-space()='Angle']]")
    # As a person replaces what a field holds: all of it selected and typed over.
    angle.click()
    angle.send_keys(Keys.CONTROL, "a")
    angle.send_keys(str(ANGLE))
    # Straight to the view: the change of the field and the data point leave the page together.
    click_at(driver, *TARGET)
    wait_for(driver, "the rotation", lambda d: field(d, "prompt") == "Rotate raster > Raster rotated", 120)
    wait_for(driver, "the completion bar to go", lambda d: d.find_element(By.ID, "progress").get_attribute("hidden"))
    assert driver.execute_script("return window.barShown"), "the completion bar never showed"
    turned = re.search(r" (\d+) x (\d+),", pixels(pixmend, folder, "drawing.tif")).groups()
    assert tuple(int(v) for v in turned) == rotated_size(width, height, ANGLE), (turned, width, height)


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    pixmend, scans, shot = (os.path.abspath(a) for a in sys.argv[1:])
    if not os.path.exists(CHROMIUM) or not os.path.exists(DRIVER):
        skip("Debian's chromium or its driver is not installed")
    if not os.path.exists(TIFFCP):
        skip("libtiff's tiffcp is not installed")
    if not os.path.isfile(os.path.join(scans, "tiff", "CCITT_2.TIF")):
        skip("the shared test scans were not found")
    os.environ.update(MS_TMP="./", MS_USERPREF="host.upf", VX_DIR="./")
    work = tempfile.mkdtemp(prefix="pixmend-browser-")
    served, replayed, profile = (os.path.join(work, n) for n in ("served", "replayed", "profile"))
    for folder in (served, replayed):
        os.makedirs(folder)
        prepare(pixmend, scans, folder)
    before = pixels(pixmend, served, "drawing.tif")
    original = open(os.path.join(served, "drawing.tif"), "rb").read()
    server, url = start_server(pixmend, served)
    driver = None
    try:
        driver = browser(profile)
        driver.get(url)
        wait_for(driver, "the first picture", lambda d: picture_seq(d) > 0 and
                 d.execute_script("return document.getElementById('picture').complete"))
        keyin(driver, "vxraster select")
        # The smart delete from VXRaster's menu, as a person would choose it.
        driver.find_element(By.XPATH, "//nav[@id='menus']//button[normalize-space()='VXRaster']").click()
        driver.find_element(By.XPATH, "//nav[@id='menus']//span[normalize-space()='Delete']").click()
        seq = picture_seq(driver)
        driver.find_element(By.XPATH, "//nav[@id='menus']//li[contains(@class,'submenu')]//span[normalize-space()='Smart']").click()
        settled(driver, seq)
        wait_for(driver, "the smart delete's prompt", lambda d: field(d, "prompt") == "Smart delete > Select area to delete")
        # Zoomed in on the label with the wheel, so that a click lands on a stroke of the glyph.
        for _ in range(3):
            seq = picture_seq(driver)
            dx, dy = screen_of(driver, *GLYPH)
            ActionChains(driver).scroll_from_origin(
                ScrollOrigin.from_element(driver.find_element(By.ID, "view"), int(round(dx)), int(round(dy))),
                0, -500).perform()
            settled(driver, seq)
        scale = driver.execute_script("return (shown.area[2] - shown.area[0]) / shown.w")
        assert scale < 0.5, "the wheel did not zoom in: %g design units a pixel" % scale
        glyph_before = ink_near(driver, *GLYPH, 12)
        far_before = ink_near(driver, *BESIDE, 12)
        click_at(driver, *GLYPH)
        wait_for(driver, "the selection", lambda d: field(d, "error") == "Smart delete > Accept or reset to select new")
        os.makedirs(os.path.dirname(shot), exist_ok=True)
        driver.save_screenshot(shot)
        click_at(driver, *GLYPH)  # accept
        wait_for(driver, "the next selection", lambda d: field(d, "prompt") == "Smart delete > Select area to delete")
        glyph_after = ink_near(driver, *GLYPH, 12)
        far_after = ink_near(driver, *BESIDE, 12)
        assert glyph_before > 10 and glyph_after < glyph_before / 4, (glyph_before, glyph_after)
        assert far_after == far_before, (far_before, far_after)
        erased = pixels(pixmend, served, "drawing.tif")
        assert erased != before, "the smart delete did not reach the file"
        keyin(driver, "vxraster undo")
        assert pixels(pixmend, served, "drawing.tif") == before, "undo did not bring the scan back"
        assert ink_near(driver, *GLYPH, 12) == glyph_before
        copy_by_hand(driver, served, work)
        rotate_by_hand(driver, pixmend, served)
        keyin(driver, "vxraster undo")
        # Quit from the page: its confirmation accepted, the session ends, the server stops.
        driver.find_element(By.ID, "quit").click()
        driver.switch_to.alert.accept()
        wait_for(driver, "the end", lambda d: d.find_element(By.ID, "ended").is_displayed())
        server.wait(timeout=60)
    finally:
        if driver is not None:
            driver.quit()
        if server.poll() is None:
            server.kill()
    assert server.returncode == 0, server.returncode
    journal = open(os.path.join(served, "journal.txt")).read()
    assert "error: Smart delete > Accept or reset to select new\n" in journal, journal
    # The recording plays again to the same journal and pixels.
    shutil.copy(os.path.join(served, "recording.pms"), replayed)
    replay = subprocess.run([pixmend, "run", "recording.pms"], cwd=replayed, text=True, capture_output=True)
    assert replay.returncode == 0, replay.stderr
    assert replay.stdout == journal, "the replay's journal differs"
    assert pixels(pixmend, replayed, "drawing.tif") == pixels(pixmend, served, "drawing.tif")
    shutil.rmtree(work, ignore_errors=True)
    print("passed: select, smart delete by two clicks, undo, a rectangle copy, a rotation by 30 degrees typed in the tool settings, undo, quit, and the recording replayed; screenshot " + shot)
    return 0


if __name__ == "__main__":
    sys.exit(main())
