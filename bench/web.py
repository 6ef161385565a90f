"""Times the web page in headless Chromium, opened from disk: how long until
it is ready (the core compiled for its workers), and the curves of brood
sizes 1 to 100 on bench/largest.txt, one design and eight (2 to 9 equal
sires), best of three each. Targets: under 1 s for each. The eight follow
the one in the same browser, as a user's second run would; the last line is
the eight as the first run of a browser just started, where the browser has
not yet optimized the code it reuses between runs.

    make web && /usr/bin/python3 bench/web.py
"""
import pathlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

root = pathlib.Path(__file__).resolve().parent.parent
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"):
    options.add_argument(argument)
def browser():
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def timed(driver, designs):
    driver.get((root / "build-web/page/index.html").as_uri())
    body = lambda d: d.find_element(By.TAG_NAME, "body")
    WebDriverWait(driver, 30).until(lambda d: body(d).get_attribute("data-ready"))
    ready = driver.execute_script("return window.mpReadyMilliseconds")
    driver.execute_script(
        "const box = document.getElementById('text'); box.value = arguments[0];"
        "box.dispatchEvent(new Event('input'));", (root / "bench/largest.txt").read_text())
    driver.execute_script("document.getElementById('seed').value = '1';")
    WebDriverWait(driver, 30).until(lambda d: "study" in d.find_element(By.ID, "format").text)
    for _ in range(designs - 1):
        driver.find_element(By.ID, "add-design").click()
    if designs > 1:
        for n, select in enumerate(driver.find_elements(By.CSS_SELECTOR, ".design .sires")):
            Select(select).select_by_value(str(n + 2))
    WebDriverWait(driver, 30).until(lambda d: d.find_element(By.ID, "run").is_enabled())
    driver.find_element(By.ID, "run").click()
    WebDriverWait(driver, 120).until(lambda d: body(d).get_attribute("data-done"))
    return ready, driver.execute_script("return window.mpCurveMilliseconds")


driver = browser()
try:
    ready, one, eight = [], [], []
    for attempt in range(3):
        r, c = timed(driver, 1)
        ready.append(r)
        one.append(c)
        eight.append(timed(driver, 8)[1])
finally:
    driver.quit()
first = []
for attempt in range(3):
    driver = browser()
    try:
        first.append(timed(driver, 8)[1])
    finally:
        driver.quit()
print(f"page ready            {min(ready) / 1000:.2f} s")
print(f"curve 1-100, largest  {min(one) / 1000:.2f} s (panel and curve, in the worker)")
print(f"8 designs, largest    {min(eight) / 1000:.2f} s")
print(f"8 designs, first run  {min(first) / 1000:.2f} s (a browser just started)")
