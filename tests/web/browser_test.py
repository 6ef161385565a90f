"""The built page in headless Chromium, opened from disk as a user would:
paste the example population file, run two designs, and hold the table, the
figure, the downloads and the console to what mpplan gives.

    python3 tests/web/browser_test.py PAGE_DIR MPPLAN EXAMPLE [SCREENSHOT_DIR]
"""
import os
import pathlib
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

page_dir, mpplan, example = (pathlib.Path(a).resolve() for a in sys.argv[1:4])
shots = pathlib.Path(sys.argv[4]) if len(sys.argv) > 4 else None
SEED = "20261208"
failures = []


def check(what, condition, detail=""):
    if not condition:
        failures.append(what)
        print(f"FAILED: {what} {detail}"[:2000])


def browser(width):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", f"--window-size={width},1600"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def native(*words):
    with tempfile.TemporaryDirectory() as folder:
        run = subprocess.run([str(mpplan), *words], cwd=folder, capture_output=True, text=True)
        return run.stdout, run.stderr


def native_figure(*words):
    """mpplan's --plot SVG for the example pasted into the page, which
    names a pasted text "input"."""
    with tempfile.TemporaryDirectory() as folder:
        (pathlib.Path(folder) / "input").write_text(example.read_text())
        subprocess.run([str(mpplan), *words, "--plot", "figure.svg"], cwd=folder,
                       capture_output=True, check=True)
        return (pathlib.Path(folder) / "figure.svg").read_text()


def blob_text(driver, link_id):
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "fetch(document.getElementById(arguments[0]).href).then(r => r.text()).then(done);",
        link_id)


driver = browser(1280)
try:
    driver.get((page_dir / "index.html").as_uri())
    wait = WebDriverWait(driver, 30)
    wait.until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready"))
    ready_ms = driver.execute_script("return window.mpReadyMilliseconds")
    print(f"page ready in {ready_ms:.0f} ms")

    text = example.read_text()
    driver.execute_script(
        "const box = document.getElementById('text'); box.value = arguments[0];"
        "box.dispatchEvent(new Event('input'));", text)
    wait.until(lambda d: d.find_element(By.ID, "population-options").is_displayed())
    check("format named", "Genepop" in driver.find_element(By.ID, "format").text)
    Select(driver.find_element(By.ID, "pop")).select_by_value("1")
    for field, value in (("seed", SEED), ("to", "30")):
        box = driver.find_element(By.ID, field)
        box.clear()
        box.send_keys(value)
    driver.find_element(By.ID, "add-design").click()
    shares = driver.find_elements(By.CSS_SELECTOR, ".design .shares")
    check("two designs", len(shares) == 2)
    shares[1].send_keys("0.8, 0.2")
    driver.find_element(By.ID, "run").click()
    wait.until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-done"))

    words = ["curve", str(example), "--pop", "1", "--to", "30", "--seed", SEED,
             "--shares", "0.8,0.2"]
    # mpplan's first design here is its variant list's order: the web page's
    # design 1 (defaults: two equal sires) and design 2 (0.8/0.2).
    csv, errors = native("curve", str(example), "--pop", "1", "--to", "30", "--seed", SEED,
                         "--sires", "2", "--shares", "0.8,0.2", "--from", "1", "--step", "1",
                         "--target", "0.95")
    rows = driver.find_elements(By.CSS_SELECTOR, "#estimates tr")
    check("table rows", len(rows) == 61, f"{len(rows)}")
    check("CSV download is mpplan's table", blob_text(driver, "download-csv") == csv)
    shown = [li.text for li in driver.find_elements(By.CSS_SELECTOR, "#targets li")]
    target_lines = [line for line in errors.splitlines() if "brood size" in line]
    check("target lines are mpplan's", shown == target_lines, f"{shown} {target_lines}")
    curves = driver.find_elements(By.CSS_SELECTOR, "#figure svg polyline.curve")
    check("one curve per design", len(curves) == 2)
    marks = driver.find_elements(By.CSS_SELECTOR, "#figure svg circle.smallest")
    check("smallest sizes marked", len(marks) == 2)
    svg = blob_text(driver, "download-svg")
    figure = native_figure("curve", "input", "--pop", "1", "--to", "30", "--seed", SEED,
                           "--sires", "2", "--shares", "0.8,0.2")
    check("figure download is mpplan's SVG", svg == figure, svg[:300])
    check("figure names the seed", "seed " + SEED in svg)
    study, _ = native("study", str(example), "--pop", "1")
    check("study download is mpplan's", blob_text(driver, "download-study") == study)

    # Genotyping errors: each design's single sire drawn beside it, dotted,
    # and the table mpplan's with the same rates.
    box = driver.find_element(By.ID, "dropout")
    box.clear()
    box.send_keys("0.02")
    driver.find_element(By.ID, "run").click()
    wait.until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-done") == "2")
    csv, _ = native("curve", str(example), "--pop", "1", "--to", "30", "--seed", SEED,
                    "--sires", "2", "--shares", "0.8,0.2", "--from", "1", "--step", "1",
                    "--target", "0.95", "--dropout", "0.02", "--false-allele", "0")
    check("CSV with errors is mpplan's", blob_text(driver, "download-csv") == csv)
    companions = driver.find_elements(By.CSS_SELECTOR, "#figure svg polyline.false-detections")
    check("one single sire per design", len(companions) == 2)
    box.clear()
    box.send_keys("0")

    # A refusal shows beside the input, naming line and locus.
    driver.execute_script(
        "const box = document.getElementById('text');"
        "box.value = 'title\\nL1, L2\\nPop\\na, 0101 02\\n';"
        "box.dispatchEvent(new Event('input'));")
    wait.until(lambda d: "haploid" in d.find_element(By.ID, "input-messages").text)
    message = driver.find_element(By.ID, "input-messages").text
    check("refusal names line and locus", "line 4" in message and "locus L2" in message, message)

    # Cancel: a long run ends at once and the page works on.
    driver.execute_script(
        "const box = document.getElementById('text'); box.value = arguments[0];"
        "box.dispatchEvent(new Event('input'));", (example.parent.parent / "bench/largest.txt").read_text())
    wait.until(lambda d: "study file" in d.find_element(By.ID, "format").text)
    driver.execute_script("document.getElementById('to').value = '100';")
    driver.find_element(By.ID, "run").click()
    driver.find_element(By.ID, "cancel").click()
    state = driver.find_element(By.ID, "state").text
    check("cancel ends the run", state.startswith("Cancelled"), state)
    wait.until(lambda d: d.find_element(By.ID, "run").is_enabled())

    # Nothing but the page's own files, blobs and data.
    addresses = driver.execute_script(
        "return performance.getEntriesByType('resource').map(e => e.name)")
    check("no request leaves the machine",
          all(a.startswith(("file:", "blob:", "data:")) for a in addresses), str(addresses))

    logs = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    check("no console errors", not logs, str(logs))
    if shots:
        driver.execute_script(
            "const box = document.getElementById('text'); box.value = arguments[0];"
            "box.dispatchEvent(new Event('input'));"
            "document.getElementById('step').value = '3';", text)
        wait.until(lambda d: d.find_element(By.ID, "population-options").is_displayed())
        Select(driver.find_element(By.ID, "pop")).select_by_value("1")
        driver.find_element(By.ID, "run").click()
        wait.until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-done") == "3")
        shots.mkdir(parents=True, exist_ok=True)
        height = driver.execute_script("return document.documentElement.scrollHeight")
        driver.set_window_size(1280, height + 100)
        driver.save_screenshot(str(shots / "web-1280.png"))
        driver.find_element(By.ID, "results").screenshot(str(shots / "web-results.png"))
finally:
    driver.quit()

# Narrow: the page still lays out and runs.
driver = browser(375)
try:
    driver.get((page_dir / "index.html").as_uri())
    WebDriverWait(driver, 30).until(
        lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready"))
    overflow = driver.execute_script(
        "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
    check("no sideways scrolling at 375 px", overflow <= 0, f"{overflow}")
    if shots:
        driver.set_window_size(375, 1800)
        driver.save_screenshot(str(shots / "web-375.png"))
finally:
    driver.quit()

print(f"{13 - len(failures) if len(failures) < 13 else 0} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
