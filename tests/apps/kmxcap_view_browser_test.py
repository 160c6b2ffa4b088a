#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""kmxcap view in a real browser: headless Chromium driven through
selenium loads the page, sees the picture move, brightens it with the
exposure slider, switches the crosshair on and saves a PNG.

Usage: kmxcap_view_browser_test.py KMXCAP [--screenshot FILE.png]
With --screenshot the page is photographed into FILE.png at the end (the
README's picture: docs/kmxcap-view.png). Exits 77 (skipped), with one
line that says why, where selenium is missing or no browser starts.
"""
import base64
import glob
import io
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

SKIPPED = 77
KMXCAP = None
SCREENSHOT = None
WAIT_S = 30

try:
    from PIL import Image, ImageChops, ImageStat
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError as missing:
    print(f"kmxcap_view_browser_test: skipped, {missing.name} is missing (scripts/setup.sh)")
    sys.exit(SKIPPED)


def start_browser(downloads, profile):
    """Headless Chromium, or None with the reason it would not start."""
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    driver_path = shutil.which("chromedriver")
    if chromium is None or driver_path is None:
        return None, "chromium or chromedriver is missing (scripts/setup.sh)"
    options = Options()
    options.binary_location = chromium
    # A closed network and perhaps root: no sandbox, nothing that phones
    # home, a profile of its own.
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--window-size=1400,1080",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    try:
        driver = webdriver.Chrome(service=Service(driver_path), options=options)
    except Exception as error:  # any failure to start means: no browser here
        return None, str(error).strip().splitlines()[0][:160]
    driver.execute_cdp_cmd("Page.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": downloads})
    return driver, ""


# The live picture as it stands, at its own size, as a PNG data URL.
CAPTURE_JS = """
const picture = document.getElementById('live');
const canvas = document.createElement('canvas');
canvas.width = picture.naturalWidth;
canvas.height = picture.naturalHeight;
canvas.getContext('2d').drawImage(picture, 0, 0);
return canvas.toDataURL('image/png');
"""

# Moves a range input as a user's drag would end: its value, then the
# event the page listens to.
SLIDE_JS = """
const input = document.getElementById(arguments[0]);
input.value = arguments[1];
input.dispatchEvent(new Event('input', {bubbles: true}));
"""


class BrowserView(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.downloads = os.path.join(cls.temp.name, "downloads")
        os.mkdir(cls.downloads)
        cls.driver, why = start_browser(cls.downloads, os.path.join(cls.temp.name, "profile"))
        if cls.driver is None:
            cls.temp.cleanup()
            raise unittest.SkipTest("no browser starts here: " + why)
        cls.view = subprocess.Popen([KMXCAP, "view", "--port", "0", "--camera", "2"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    env=dict(os.environ, KMX_CAMERA_LIBRARY="sim"), text=True)
        found = re.search(r"(http://127\.0\.0\.1:\d+/)", cls.view.stdout.readline())
        assert found, "kmxcap view printed no address"
        cls.url = found.group(1)
        cls.driver.get(cls.url)
        cls.wait = WebDriverWait(cls.driver, WAIT_S)
        cls.wait.until(lambda d: d.execute_script(
            "return document.getElementById('live').naturalWidth") == 1280)
        cls.wait.until(lambda d: d.find_elements(By.ID, "knob-exposure"))

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.view.send_signal(signal.SIGINT)
        cls.view.communicate(timeout=60)
        cls.temp.cleanup()

    def api(self, name):
        with urllib.request.urlopen(self.url + "api/" + name, timeout=WAIT_S) as answer:
            return json.load(answer)

    def status(self):
        return self.api("status")

    def settle(self):
        """Waits until frames taken with the settings as they stand are shown."""
        version = self.status()["settings_version"]
        self.wait.until(lambda _: self.status()["frame"]["settings_version"] >= version)
        number = self.status()["frame"]["number"]
        self.wait.until(lambda _: self.status()["frame"]["number"] >= number + 3)

    def picture(self):
        url = self.driver.execute_script(CAPTURE_JS)
        data = base64.b64decode(url.split(",", 1)[1])
        return Image.open(io.BytesIO(data)).convert("L")

    def test_1_picture_moves(self):
        live = self.driver.find_element(By.ID, "live")
        first = Image.open(io.BytesIO(live.screenshot_as_png)).convert("L")
        time.sleep(0.5)
        second = Image.open(io.BytesIO(live.screenshot_as_png)).convert("L")
        difference = ImageStat.Stat(ImageChops.difference(first, second)).mean[0]
        self.assertGreater(difference, 0.5, "the picture did not change")

    def test_2_exposure_slider_brightens(self):
        self.settle()
        dark = ImageStat.Stat(self.picture()).mean[0]
        self.driver.execute_script(SLIDE_JS, "knob-exposure", "170")
        self.wait.until(lambda _: self.api("settings")["exposure_us"] > 1000)
        self.settle()
        bright = ImageStat.Stat(self.picture()).mean[0]
        self.assertGreater(bright, dark + 20, (dark, bright))
        self.driver.execute_script(SLIDE_JS, "knob-exposure", "128")
        self.settle()

    def test_3_overlay_draws_the_crosshair(self):
        self.settle()
        plain = self.picture()
        Select(self.driver.find_element(By.ID, "knob-overlay")).select_by_value("crosshair")
        self.wait.until(lambda _: self.status()["settings_version"] > 0 and
                        self.driver.find_element(By.ID, "knob-overlay").get_attribute("value")
                        == "crosshair")
        self.settle()
        crossed = self.picture()
        # The crosshair's lines cross the middle: the middle row and column
        # changed far more than the moving scene changes a typical one.
        difference = ImageChops.difference(plain, crossed)
        width, height = difference.size
        for axis, length in ((0, height), (1, width)):
            lines = difference.resize((1, height) if axis == 0 else (width, 1), Image.BOX)
            profile = list(lines.getdata())
            middle = max(profile[length // 2 - 4:length // 2 + 5])
            typical = statistics.median(profile)
            self.assertGreater(middle, 4 * typical + 10, ("no line", axis, middle, typical))
        if SCREENSHOT:
            self.driver.save_screenshot(SCREENSHOT)

    def test_4_save_downloads_a_readable_png(self):
        self.driver.find_element(By.ID, "save").click()
        self.wait.until(lambda _: glob.glob(os.path.join(self.downloads, "*.png")))
        path = glob.glob(os.path.join(self.downloads, "*.png"))[0]
        self.assertRegex(os.path.basename(path), r"^kmxcap-2001-\d{8}-\d{6}\.png$")
        with Image.open(path) as saved:
            saved.load()
            self.assertEqual((saved.size, saved.mode), ((1280, 1024), "RGB"))
            self.assertEqual(saved.info.get("Camera Serial"), "2001")


if __name__ == "__main__":
    KMXCAP = sys.argv.pop(1)
    if len(sys.argv) > 2 and sys.argv[1] == "--screenshot":
        SCREENSHOT = os.path.abspath(sys.argv[2])
        del sys.argv[1:3]
    result = unittest.main(verbosity=2, exit=False).result
    if result.skipped and result.wasSuccessful() and result.testsRun <= len(result.skipped):
        print(f"kmxcap_view_browser_test: skipped, {result.skipped[0][1]}")
        sys.exit(SKIPPED)
    sys.exit(0 if result.wasSuccessful() else 1)
