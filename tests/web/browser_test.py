"""The built page in headless Chromium, opened from disk as a user would:
paste the example population file, run two designs, and hold the table, the
figure, the downloads and the console to what mpplan gives; check every
field before any work, clear results that no longer hold, decode a
Windows-1252 file, name no option of the command line; and at 375 px lay
out without sideways scrolling, with legible figure texts and each checkbox
on its label's line.

    python3 tests/web/browser_test.py PAGE_DIR MPPLAN EXAMPLE [SCREENSHOT_DIR]
"""
import pathlib
import re
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
passed = 0
OPTION = re.compile(r"(^|[\s(])--[a-z]")


def check(what, condition, detail=""):
    global passed
    if condition:
        passed += 1
    else:
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


def blob_text(driver, link):
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "fetch(arguments[0].href).then(r => r.text()).then(done);", link)


def done_count(driver):
    return int(driver.find_element(By.TAG_NAME, "body").get_attribute("data-done") or 0)


def paste(driver, text):
    driver.execute_script(
        "const box = document.getElementById('text'); box.value = arguments[0];"
        "box.dispatchEvent(new Event('input'));", text)


def set_field(driver, field, value):
    box = driver.find_element(By.ID, field)
    box.clear()
    box.send_keys(value)


def run_and_wait(driver, wait):
    before = done_count(driver)
    driver.find_element(By.ID, "run").click()
    wait.until(lambda d: done_count(d) > before)


def no_option_names(driver, when):
    shown = driver.find_element(By.TAG_NAME, "body").get_attribute("innerText")
    named = [line for line in shown.splitlines() if OPTION.search(line)]
    check(f"no option of the command line on the page ({when})", not named, str(named))


def figure_text_sizes(driver):
    return driver.execute_script(
        "const svg = document.querySelector('#figure svg'); if (!svg) return [];"
        "const scale = svg.getBoundingClientRect().width / svg.viewBox.baseVal.width;"
        "return [...svg.querySelectorAll('text')].map("
        "  t => parseFloat(t.getAttribute('font-size')) * scale);")


text = example.read_text()
sample_one = text.split("\nPop\n")[1].strip().splitlines()
driver = browser(1280)
try:
    driver.get((page_dir / "index.html").as_uri())
    wait = WebDriverWait(driver, 30)
    wait.until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready"))
    ready_ms = driver.execute_script("return window.mpReadyMilliseconds")
    print(f"page ready in {ready_ms:.0f} ms")

    # A worker takes the module the page compiled, warming up or not, and
    # answers a request sent before the module came.
    answers = driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "setTimeout(() => done('no answer in 20 s'), 20000);"
        "const address = URL.createObjectURL(new Blob([window.MP_WORKER_SOURCE]));"
        "const text = atob(window.MP_CORE_WASM);"
        "const bytes = Uint8Array.from(text, (c) => c.charCodeAt(0));"
        "WebAssembly.compile(bytes).then((module) => Promise.all([false, true].map((warm) =>"
        "  new Promise((answered) => {"
        "    const worker = new Worker(address);"
        "    worker.onmessage = (e) => {"
        "      if (e.data.type === 'result') { worker.terminate(); answered(e.data.result); } };"
        "    worker.postMessage({id: 1, method: 'limits', args: []});"
        "    worker.postMessage({module, warm});"
        "  })))).then(done, (error) => done(String(error)));")
    check("a request before the module is answered, warm or not",
          isinstance(answers, list) and all(a.get("sires", 0) > 1 for a in answers), str(answers))

    paste(driver, text)
    wait.until(lambda d: d.find_element(By.ID, "population-options").is_displayed())
    check("format named", "Genepop" in driver.find_element(By.ID, "format").text)
    # Read in one script, so that a list rebuilt meanwhile is never half read.
    mothers = lambda: driver.execute_script(
        "return [...document.querySelectorAll('.design .mother option')]"
        ".map(o => o.textContent).filter(t => t.startsWith('Individual '))")
    check("mother list holds every individual when pooled", len(mothers()) == 80, f"{len(mothers())}")
    Select(driver.find_element(By.ID, "pop")).select_by_value("1")
    check("mother list follows the sample", len(mothers()) == len(sample_one),
          f"{len(mothers())} {len(sample_one)}")

    # Every field checked as mpplan checks it, beside the field, before any
    # work: a seed mpplan refuses never runs as another seed.
    set_field(driver, "to", "30")
    for seed in ("4294967296", "-1", "1.9"):
        set_field(driver, "seed", seed)
        before = done_count(driver)
        driver.find_element(By.ID, "run").click()
        wait.until(lambda d: d.find_element(By.ID, "seed-error").text)
        message = driver.find_element(By.ID, "seed-error").text
        check(f"seed {seed} refused beside its field", "4294967295" in message, message)
        check(f"seed {seed} runs nothing", done_count(driver) == before and
              not driver.find_elements(By.CSS_SELECTOR, "#figure svg"))
    set_field(driver, "target", "1.5")
    set_field(driver, "seed", SEED)
    driver.find_element(By.ID, "run").click()
    wait.until(lambda d: d.find_element(By.ID, "target-error").text)
    check("target refused beside its field",
          "Target probability" in driver.find_element(By.ID, "target-error").text)
    no_option_names(driver, "field refusals")
    set_field(driver, "target", "0.95")

    driver.find_element(By.ID, "add-design").click()
    shares = driver.find_elements(By.CSS_SELECTOR, ".design .shares")
    check("two designs", len(shares) == 2)
    shares[1].send_keys("0.8, 0.2")
    check("shares set the sires aside",
          not driver.find_elements(By.CSS_SELECTOR, ".design .sires")[1].is_enabled())
    run_and_wait(driver, wait)
    check("every field passed", not driver.find_element(By.ID, "seed-error").text)
    folds = driver.find_elements(By.CSS_SELECTOR, "#input-messages details.loci-read")
    check("each locus as read, folded into one closed line",
          len(folds) == 1 and folds[0].get_attribute("open") is None
          and len(folds[0].find_elements(By.TAG_NAME, "p")) == 8
          and "8 loci as read" in folds[0].text, str([f.text for f in folds]))

    csv, errors = native("curve", str(example), "--pop", "1", "--to", "30", "--seed", SEED,
                         "--sires", "2", "--shares", "0.8,0.2", "--from", "1", "--step", "1",
                         "--target", "0.95")
    rows = driver.find_elements(By.CSS_SELECTOR, "#estimates tr")
    check("table rows", len(rows) == 61, f"{len(rows)}")
    check("CSV download is mpplan's", blob_text(driver, driver.find_element(By.ID, "download-csv")) == csv)
    shown = [li.text for li in driver.find_elements(By.CSS_SELECTOR, "#targets li")]
    target_lines = [line for line in errors.splitlines() if "brood size" in line]
    check("target lines are mpplan's", shown == target_lines, f"{shown} {target_lines}")
    curves = driver.find_elements(By.CSS_SELECTOR, "#figure svg polyline.curve")
    check("one curve per design", len(curves) == 2)
    marks = driver.find_elements(By.CSS_SELECTOR, "#figure svg circle.smallest")
    check("smallest sizes marked", len(marks) == 2)
    svg = blob_text(driver, driver.find_element(By.ID, "download-svg"))
    figure = native_figure("curve", "input", "--pop", "1", "--to", "30", "--seed", SEED,
                           "--sires", "2", "--shares", "0.8,0.2")
    check("figure download is mpplan's SVG", svg == figure, svg[:300])
    check("figure names the seed", "seed " + SEED in svg)
    studies = driver.find_elements(By.CSS_SELECTOR, "#study-downloads a.study-file")
    check("a study file per design", len(studies) == 2)
    for n, words in enumerate((("--sires", "2"), ("--shares", "0.8,0.2"))):
        study, _ = native("study", str(example), "--pop", "1", *words)
        check(f"study download of design {n + 1} is mpplan's",
              len(studies) == 2 and blob_text(driver, studies[n]) == study)
    no_option_names(driver, "a run")

    # Genotyping errors: each design's single sire drawn beside it, dotted,
    # and the table mpplan's with the same rates.
    set_field(driver, "dropout", "0.02")
    check("a change of input clears the results",
          not driver.find_elements(By.CSS_SELECTOR, "#figure svg") and
          not driver.find_elements(By.CSS_SELECTOR, "#estimates tr"))
    run_and_wait(driver, wait)
    csv, _ = native("curve", str(example), "--pop", "1", "--to", "30", "--seed", SEED,
                    "--sires", "2", "--shares", "0.8,0.2", "--from", "1", "--step", "1",
                    "--target", "0.95", "--dropout", "0.02", "--false-allele", "0")
    check("CSV with errors is mpplan's",
          blob_text(driver, driver.find_element(By.ID, "download-csv")) == csv)
    companions = driver.find_elements(By.CSS_SELECTOR, "#figure svg polyline.false-detections")
    check("the two designs' single sires, alike, drawn once", len(companions) == 1,
          str(len(companions)))
    set_field(driver, "dropout", "0")

    # The likelihood verdict: the table mpplan's with the same verdict, and
    # its false detections measured beside each estimate.
    Select(driver.find_element(By.ID, "verdict")).select_by_value("likelihood")
    set_field(driver, "from", "4")
    set_field(driver, "to", "6")
    run_and_wait(driver, wait)
    csv, _ = native("curve", str(example), "--pop", "1", "--to", "6", "--seed", SEED,
                    "--sires", "2", "--shares", "0.8,0.2", "--from", "4", "--step", "1",
                    "--target", "0.95", "--dropout", "0", "--false-allele", "0",
                    "--verdict", "likelihood", "--false-detection", "0.01",
                    "--error-allowance", "0.01")
    check("CSV of the likelihood verdict is mpplan's",
          blob_text(driver, driver.find_element(By.ID, "download-csv")) == csv)
    check("the likelihood verdict's table has its false detections",
          "false_detection" in csv.split("\n")[0])
    Select(driver.find_element(By.ID, "verdict")).select_by_value("alleles")
    set_field(driver, "from", "1")
    set_field(driver, "to", "30")

    # Broods judged after the field work, with the population sample above
    # and both designs' sires: the share, the families and the figure are
    # mpplan's.
    broods = (example.parent / "broods.gen").read_text()
    driver.execute_script(
        "const box = document.getElementById('brood-text'); box.value = arguments[0];"
        "box.dispatchEvent(new Event('input'));", broods)
    Select(driver.find_element(By.ID, "brood-verdict")).select_by_value("likelihood")
    judged = lambda d: int(d.find_element(By.TAG_NAME, "body").get_attribute("data-judged") or 0)

    def judge():
        before = judged(driver)
        driver.find_element(By.ID, "judge").click()
        WebDriverWait(driver, 120).until(lambda d: judged(d) > before)

    # Sample 1 alone lacks a mother's allele: refused as mpplan refuses it.
    judge()
    message = driver.find_element(By.ID, "brood-messages").text
    check("a brood the sample cannot explain is refused, naming her", "B02-M" in message and
          "Mpa07" in message and not driver.find_element(By.ID, "brood-results").is_displayed(),
          message)
    no_option_names(driver, "broods refused")
    Select(driver.find_element(By.ID, "pop")).select_by_value("")
    judge()
    with tempfile.TemporaryDirectory() as folder:
        (pathlib.Path(folder) / "broods").write_text(broods)
        (pathlib.Path(folder) / "input").write_text(text)
        run = subprocess.run([str(mpplan), "broods", "broods", "--population", "input",
                              "--seed", SEED, "--sires", "2", "--shares", "0.8,0.2",
                              "--verdict", "likelihood", "--summary", "s.csv", "--families",
                              "f.csv", "--plot", "b.svg"], cwd=folder, capture_output=True,
                             text=True)
        check("mpplan judges the broods", run.returncode == 0, run.stderr)
        files = {name: (pathlib.Path(folder) / name).read_text()
                 for name in ("s.csv", "f.csv", "b.svg")
                 if (pathlib.Path(folder) / name).exists()}
    links = {a.get_attribute("download"): a
             for a in driver.find_elements(By.CSS_SELECTOR, "#brood-downloads a")}
    check("the broods' table is mpplan's", blob_text(driver, links["broods.csv"]) == run.stdout)
    check("the broods' share is mpplan's",
          blob_text(driver, links["summary.csv"]) == files.get("s.csv"))
    check("the broods' families are mpplan's",
          blob_text(driver, links["families.csv"]) == files.get("f.csv"))
    check("the broods' figure is mpplan's",
          blob_text(driver, links["broods.svg"]) == files.get("b.svg"))
    shown = driver.find_element(By.ID, "brood-summary").text
    check("the share is shown with its interval", "ci_low" in shown and "0.8/0.2" in shown, shown)
    check("the families are shown", driver.find_element(By.ID, "brood-families-box").is_displayed())
    check("the brood figure is drawn", driver.find_elements(By.CSS_SELECTOR, "#brood-figure svg"))
    no_option_names(driver, "broods judged")
    # A change of the settings takes the broods' results down too.
    set_field(driver, "seed", SEED)
    check("a change of the settings clears the broods' results",
          not driver.find_element(By.ID, "brood-results").is_displayed() and
          not driver.find_elements(By.CSS_SELECTOR, "#brood-downloads a"))
    Select(driver.find_element(By.ID, "pop")).select_by_value("1")

    # A refusal shows beside the input, naming line and locus, and takes
    # the earlier results down.
    run_and_wait(driver, wait)
    paste(driver, "title\nL1, L2\nPop\na, 0101 02\n")
    wait.until(lambda d: "haploid" in d.find_element(By.ID, "input-messages").text)
    message = driver.find_element(By.ID, "input-messages").text
    check("refusal names line and locus", "line 4" in message and "locus L2" in message, message)
    check("a refusal leaves no results", not driver.find_elements(By.CSS_SELECTOR, "#figure svg"))
    no_option_names(driver, "a refusal")

    # The core's refusal comes with its kind, and the page words the way
    # out with its own fields; a warning note is styled as one by its kind.
    paste(driver, "title\nL1, L2\nPop\na, 0101 0000\nb, 0102 0000\nb, 0202 0000\n")
    wait.until(lambda d: "L2" in d.find_element(By.ID, "loci").text
               and d.find_element(By.ID, "run").is_enabled())
    run_and_wait(driver, wait)
    errors = [p.text for p in driver.find_elements(By.CSS_SELECTOR, "#input-messages p.error")]
    check("an untyped locus refused with the page's way out",
          any("locus L2 is typed in no individual of sample 1; untick it under Loci" in e for e in errors),
          str(errors))
    warnings = [p.text for p in driver.find_elements(By.CSS_SELECTOR, "#input-messages p.warning")]
    check("a warning note styled as a warning",
          any('identifier "b" is used by 2 individuals' in w for w in warnings), str(warnings))
    no_option_names(driver, "a refusal with its notes")

    # A file that is not UTF-8 is read as Windows-1252, and said so.
    latin = text.replace("N01,", "Nancy-M\u00e9nil,").encode("cp1252")
    with tempfile.TemporaryDirectory() as folder:
        path = pathlib.Path(folder) / "latin.gen"
        path.write_bytes(latin)
        driver.find_element(By.ID, "file").send_keys(str(path))
        wait.until(lambda d: "Windows-1252" in d.find_element(By.ID, "input-messages").text)
    check("a Windows-1252 name decoded", "Individual Nancy-M\u00e9nil" in mothers(), str(mothers()[:3]))
    check("the decoding note is a warning",
          driver.find_elements(By.CSS_SELECTOR, "#input-messages p.warning"))

    # Many warnings fold into one line that opens; a few stay as they are.
    paste(driver, "title\nL1\nPop\n" + "".join(f"d{n % 5}, 0101\nd{n % 5}, 0102\n" for n in range(10)))
    wait.until(lambda d: d.find_element(By.ID, "run").is_enabled())
    run_and_wait(driver, wait)
    fold = driver.find_elements(By.CSS_SELECTOR, "#input-messages details.warnings-read")
    check("many warnings folded into one closed line",
          len(fold) == 1 and fold[0].get_attribute("open") is None
          and "warnings" in fold[0].find_element(By.TAG_NAME, "summary").text
          and not driver.find_elements(By.CSS_SELECTOR, "#input-messages > p.warning"),
          str([f.text for f in fold]))

    # Loci ticked and unticked all at once.
    paste(driver, text)
    wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#loci input")) == 8)
    driver.find_element(By.ID, "untick-all").click()
    ticked = lambda: len(driver.find_elements(By.CSS_SELECTOR, "#loci input:checked"))
    check("untick all", ticked() == 0 and "at least one" in driver.find_element(By.ID, "loci-error").text)
    driver.find_element(By.ID, "tick-all").click()
    check("tick all", ticked() == 8 and not driver.find_element(By.ID, "loci-error").text)

    # A panel chosen forward from the ticked loci, as mpplan chooses it,
    # drawn with its ceiling, and ticked with one button.
    set_field(driver, "seed", SEED)
    driver.find_element(By.CSS_SELECTOR, "#choice-box summary").click()
    set_field(driver, "choose-count", "3")
    set_field(driver, "choose-size", "8")
    driver.find_element(By.ID, "choose").click()
    wait.until(lambda d: d.find_element(By.ID, "choose-state").text.startswith(("Chose", "Refused")))
    rows = [[cell.text for cell in row.find_elements(By.CSS_SELECTOR, "th, td")]
            for row in driver.find_elements(By.CSS_SELECTOR, "#choice-table tr")]
    chosen_csv, _ = native("loci", str(example), "--pop", "1", "--choose", "3", "--size", "8",
                           "--seed", SEED)
    check("the panel chosen on the page is mpplan's",
          rows == [line.split(",") for line in chosen_csv.splitlines()],
          f"{rows} {chosen_csv} {driver.find_element(By.ID, 'choice-messages').text}")
    check("the choice drawn with the ceiling",
          driver.find_elements(By.CSS_SELECTOR, "#choice-figure svg polyline.ceiling"))
    driver.find_element(By.ID, "use-chosen").click()
    ticked_names = [box.get_attribute("value")
                    for box in driver.find_elements(By.CSS_SELECTOR, "#loci input:checked")]
    check("the chosen loci ticked, and only they",
          sorted(ticked_names) == sorted(row[1] for row in rows[1:]), str(ticked_names))
    # A panel of more loci than a study holds is the planner's to choose;
    # past the planner's own limit it is refused beside the choice.
    set_field(driver, "choose-count", "30")
    driver.find_element(By.ID, "choose").click()
    wait.until(lambda d: d.find_element(By.ID, "choose-state").text.startswith(("Chose", "Refused")))
    check("a panel past a study's size chosen from what there is",
          "only 3 candidates to choose from" in driver.find_element(By.ID, "choice-messages").text,
          driver.find_element(By.ID, "choice-messages").text)
    set_field(driver, "choose-count", "10001")
    driver.find_element(By.ID, "choose").click()
    wait.until(lambda d: d.find_element(By.ID, "choose-state").text.startswith(("Chose", "Refused")))
    check("a panel past the planner's size refused beside the choice",
          "10000" in driver.find_element(By.ID, "choice-messages").text,
          driver.find_element(By.ID, "choice-messages").text)
    no_option_names(driver, "panel choice")
    set_field(driver, "choose-count", "10")
    driver.find_element(By.ID, "tick-all").click()

    # Individuals whose identifiers repeat (cats named by colony) are
    # listed made unique with their sample, and each can be the mother.
    paste(driver, "cats\nA, B\nPop\n5, 0101 0102\n5, 0203 0101\nPop\n5, 0303 0202\n"
                  "6, 0102 0101\n")
    wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#loci input")) == 2
               and d.find_element(By.ID, "run").is_enabled())
    Select(driver.find_element(By.ID, "pop")).select_by_value("")
    first_mothers = lambda: driver.execute_script(
        "return [...document.querySelectorAll('.design')[0].querySelectorAll('.mother option')]"
        ".map(o => o.textContent).filter(t => t.startsWith('Individual '))")
    check("repeated identifiers made unique by sample",
          first_mothers() == ["Individual 5 (sample 1, 1)", "Individual 5 (sample 1, 2)",
                        "Individual 5 (sample 2)", "Individual 6"], str(first_mothers()))
    Select(driver.find_elements(By.CSS_SELECTOR, ".design .mother")[0]).select_by_value(
        "5 (sample 1, 2)")
    set_field(driver, "to", "5")
    run_and_wait(driver, wait)
    check("a mother chosen among repeated identifiers is taken",
          driver.find_elements(By.CSS_SELECTOR, "#figure svg")
          and not driver.find_elements(By.CSS_SELECTOR, "#input-messages p.error"),
          driver.find_element(By.ID, "input-messages").text)
    set_field(driver, "to", "30")

    # A STRUCTURE file's columns read as inferred, and as the user lays
    # them out in STRUCTURE's own words.
    structure = "".join(f"c{n} {1 + n // 7} 1 {120 + 2 * (n * 7 % 5)} {130 + 2 * (n * 3 % 4)}\n"
                        f"c{n} {1 + n // 7} 1 {122 + 2 * (n * 7 % 5)} {130 + 2 * (n * 3 % 4)}\n"
                        for n in range(20))
    paste(driver, structure)
    wait.until(lambda d: "STRUCTURE" in d.find_element(By.ID, "format").text
               and d.find_element(By.ID, "run").is_enabled())
    check("STRUCTURE's PopFlag column not read as a locus",
          len(driver.find_elements(By.CSS_SELECTOR, "#loci input")) == 2)
    set_field(driver, "structure-layout", "POPDATA=1,POPFLAG=0")
    wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#loci input")) == 3
               and d.find_element(By.ID, "run").is_enabled())
    run_and_wait(driver, wait)
    check("a flag laid out as a locus is warned of in the page's words",
          "one allele, 1, in every individual" in driver.find_element(By.ID, "input-messages").text,
          driver.find_element(By.ID, "input-messages").text)
    set_field(driver, "structure-layout", "POPDATA=7")
    wait.until(lambda d: "0 or 1" in d.find_element(By.ID, "input-messages").text)
    no_option_names(driver, "a STRUCTURE layout refused")
    set_field(driver, "structure-layout", "")

    # A text in none of the formats is not named as one, and is said to
    # be what it looks like.
    paste(driver, ">read1 sequencer\nACGTTGCA\n")
    wait.until(lambda d: "first line reads" in d.find_element(By.ID, "input-messages").text)
    check("an unknown text not named as a format",
          driver.find_element(By.ID, "format").text == "The page cannot read this text.",
          driver.find_element(By.ID, "format").text)

    # Large files never hold the page still for more than 200 ms: a mother
    # among thousands is found by her identifier, thousands of loci are
    # named in a field, and a file of megabytes is not drawn in the box.
    driver.execute_script(
        "window.longTasks = [];"
        "new PerformanceObserver((list) => {"
        "  for (const entry of list.getEntries()) window.longTasks.push(entry.duration);"
        "}).observe({entryTypes: ['longtask']});")
    with tempfile.TemporaryDirectory() as folder:
        files = {
            "many.gen": "many\nA, B\nPop\n" + "".join(
                f"i{n}, {1 + n % 9:02d}{1 + n % 7:02d} {1 + n % 5:02d}{1 + n % 3:02d}\n"
                for n in range(20000)),
            "loci.csv": "locus,allele,frequency\n" + "".join(
                f"L{n},1,0.5\nL{n},2,0.5\n" for n in range(100000)),
            "large.gen": "large\nA, B\nPop\n" + "".join(
                f"j{n}, {1 + n % 9:02d}{1 + n % 7:02d} {1 + n % 5:02d}{1 + n % 3:02d}\n"
                for n in range(200000)),
        }
        for name, content in files.items():
            path = pathlib.Path(folder) / name
            path.write_text(content)
            driver.execute_script("document.getElementById('format').textContent = ''")
            driver.find_element(By.ID, "file").send_keys(str(path))
            wait.until(lambda d: d.find_element(By.ID, "format").text
                       and d.find_element(By.ID, "run").is_enabled())
            longest = max(driver.execute_script("return window.longTasks") or [0])
            check(f"{name}: the page never still for more than 200 ms", longest <= 200, f"{longest:.0f} ms")
            if name == "loci.csv":
                check("100000 loci named in a field, not listed",
                      driver.find_elements(By.ID, "loci-names")
                      and not driver.find_elements(By.CSS_SELECTOR, "#loci input[type=checkbox]"))
        check("a file of megabytes is not drawn in the box",
              driver.find_element(By.ID, "text").get_attribute("value") == ""
              and "large.gen" in driver.find_element(By.ID, "text").get_attribute("placeholder"))
    mother = Select(driver.find_elements(By.CSS_SELECTOR, ".design .mother")[0])
    check("thousands of mothers are found, not listed",
          len(mother.options) < 10 and any(o.get_attribute("value") == "named" for o in mother.options),
          str(len(mother.options)))
    mother.select_by_value("named")
    named = driver.find_elements(By.CSS_SELECTOR, ".design .named")[0]
    named.send_keys("j19999")
    wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, ".design datalist option"))
    found = [o.get_attribute("value") for o in driver.find_elements(By.CSS_SELECTOR, ".design datalist option")]
    check("a mother found by her identifier", found and found[0] == "j19999"
          and "j199990" in found, str(found[:5]))
    longest = max(driver.execute_script("return window.longTasks") or [0])
    check("finding her holds the page still no more than 200 ms", longest <= 200, f"{longest:.0f} ms")

    # Cancel: a long run ends at once and the page works on.
    paste(driver, (example.parent.parent / "bench/largest.txt").read_text())
    wait.until(lambda d: "study file" in d.find_element(By.ID, "format").text)
    set_field(driver, "to", "100")
    wait.until(lambda d: d.find_element(By.ID, "run").is_enabled())
    # Cancel is pressed from the page itself as soon as it can be: a run of
    # a few tenths of a second can start and end between two of selenium's
    # looks.
    pressed = driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "const cancel = document.getElementById('cancel');"
        # The earlier run's "Done." must not be taken for this one's.
        "document.getElementById('state').textContent = '';"
        "document.getElementById('run').click();"
        "const look = setInterval(() => {"
        "  if (!cancel.disabled) { clearInterval(look); cancel.click(); done(true); }"
        "  else if (document.getElementById('state').textContent === 'Done.') {"
        "    clearInterval(look); done(false); }"
        "}, 2);")
    check("cancel pressed while the run ran", pressed)
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
        paste(driver, text)
        wait.until(lambda d: d.find_element(By.ID, "population-options").is_displayed())
        Select(driver.find_element(By.ID, "pop")).select_by_value("1")
        wait.until(lambda d: d.find_element(By.ID, "run").is_enabled())
        run_and_wait(driver, wait)
        shots.mkdir(parents=True, exist_ok=True)
        driver.set_window_size(1280, 1000)
        driver.save_screenshot(str(shots / "web-1280.png"))
        driver.find_element(By.ID, "results").screenshot(str(shots / "web-results.png"))
finally:
    driver.quit()

# Narrow: the page lays out and runs, without sideways scrolling, its
# figure's texts legible and each checkbox on its label's line.
driver = browser(375)
try:
    driver.get((page_dir / "index.html").as_uri())
    wait = WebDriverWait(driver, 30)
    wait.until(lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready"))
    paste(driver, text)
    wait.until(lambda d: d.find_element(By.ID, "population-options").is_displayed())
    Select(driver.find_element(By.ID, "pop")).select_by_value("1")
    set_field(driver, "seed", SEED)
    set_field(driver, "to", "30")
    wait.until(lambda d: d.find_element(By.ID, "run").is_enabled())
    run_and_wait(driver, wait)
    overflow = driver.execute_script(
        "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
    check("no sideways scrolling at 375 px", overflow <= 0, f"{overflow}")
    sizes = figure_text_sizes(driver)
    check("figure drawn at 375 px", len(sizes) > 10)
    check("figure texts at least 11 px at 375 px", sizes and min(sizes) >= 10.95, f"{min(sizes or [0])}")
    apart = driver.execute_script(
        "return [...document.querySelectorAll('input[type=checkbox]')].filter(box => {"
        "  const label = box.labels[0]; if (!label) return true;"
        "  const b = box.getBoundingClientRect(), l = label.getBoundingClientRect();"
        "  const middle = b.top + b.height / 2;"
        "  return middle < l.top || middle > l.top + 1.8 * parseFloat(getComputedStyle(label).fontSize);"
        "}).map(box => box.id);")
    check("each checkbox on its label's line", not apart, str(apart))
    if shots:
        height = driver.execute_script("return document.documentElement.scrollHeight")
        driver.set_window_size(375, min(height, 6000))
        driver.save_screenshot(str(shots / "web-375.png"))
finally:
    driver.quit()

print(f"{passed} passed, {len(failures)} failed")
sys.exit(1 if failures or passed < 30 else 0)
