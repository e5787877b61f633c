#!/usr/bin/env python3
"""Loads the HTML previews of converted documents in headless Chromium and
checks what the browser itself made of them: every story's text is present in
reading order (against the strings of the DDL file, read here on their own),
every picture decoded and has its frame's size, every page box has its
chapter's paper size, and the first page is not blank in a screenshot.

It converts the bundled samples and real documents from the shared corpus.
Before the real run it checks itself: a preview with one text run removed
must fail.

    preview_browser_test.py --bin DIR --preview FILE --samples DIR --work DIR
                            [--corpus DIR] [--documents N]
"""
import argparse
import html.parser
import os
import re
import shutil
import subprocess
import sys

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--hide-scrollbars"]

# Added to a copy of each preview: the browser's own measurements, written
# into the DOM so that --dump-dom carries them. The preview itself has no script.
MEASURE = """<style>#index{display:none}</style><script>
addEventListener('load', () => {
  for (const img of document.querySelectorAll('img.picture')) {
    const r = img.getBoundingClientRect();
    img.dataset.decoded = img.complete && img.naturalWidth > 0 ? 'yes' : 'no';
    img.dataset.box = r.width + 'x' + r.height;
  }
  for (const page of document.querySelectorAll('.page')) {
    const r = page.getBoundingClientRect();
    page.dataset.box = r.width + 'x' + r.height + '+' + (r.left + scrollX) + '+' + (r.top + scrollY);
  }
  document.body.dataset.measured = 'yes';
});
</script></body>"""


def chromium(args, profile):
    shutil.rmtree(profile, ignore_errors=True)
    command = ["chromium", *CHROMIUM_FLAGS, "--user-data-dir=" + profile, *args]
    return subprocess.run(command, capture_output=True, timeout=180, check=False)


# ---- the DDL side, read independently of the preview's reader ---------------

def ddl_tokens(text):
    """Yields (kind, value) for '{', '}', strings and words."""
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c in " \t\r\n":
            i += 1
        elif c in "{}":
            yield c, c
            i += 1
        elif c == '"':
            j, value = i + 1, []
            while j < n and text[j] != '"':
                if text[j] == "\\" and j + 1 < n:
                    j += 1
                value.append(text[j])
                j += 1
            yield "string", "".join(value)
            i = j + 1
        else:
            j = i
            while j < n and text[j] not in ' \t\r\n{}"':
                j += 1
            yield "word", text[i:j]
            i = j


def ddl_objects(text):
    """Object name -> (type, list of top-level tokens), in file order."""
    objects, tokens = {}, list(ddl_tokens(text))
    i = 0
    while i < len(tokens):
        kind, value = tokens[i]
        if kind == "word" and value.endswith("=") and i + 1 < len(tokens) and tokens[i + 1][0] == "{":
            name, depth, body, j = value[:-1], 0, [], i + 1
            while j < len(tokens):
                if tokens[j][0] == "{":
                    depth += 1
                elif tokens[j][0] == "}":
                    depth -= 1
                    if depth == 0:
                        break
                body.append((depth, tokens[j]))
                j += 1
            kind_word = body[1][1][1] if len(body) > 1 else ""
            objects[name] = (kind_word, body[2:])
            i = j + 1
        else:
            i += 1
    return objects


def visible(text):
    """The characters a preview shows, one for one; the upper half's special
    range (0x80 to 0x9f) is compared as "?", as non-Latin-1 characters are
    on the browser's side."""
    return "".join("?" if 0x80 <= ord(c) < 0xA0 else c for c in text if ord(c) >= 32 and ord(c) != 127)


def shown_characters(text):
    return "".join("?" if ord(c) > 0xFF or 0x80 <= ord(c) < 0xA0 else c for c in text)


def story_texts(objects):
    """Story name -> its text: the strings directly inside the story object."""
    return {name: visible("".join(tok[1] for depth, tok in body if depth == 1 and tok[0] == "string"))
            for name, (kind, body) in objects.items() if kind == "story"}


def number_in(body, keyword):
    for k, (depth, tok) in enumerate(body):
        if tok == ("word", keyword) and k + 1 < len(body):
            try:
                return int(body[k + 1][1][1], 0)
            except ValueError:
                return None
    return None


def frame_size(objects, name):
    """A frame's width and height in millipoints: its box, or the extent of
    its outline path; a master instance has its master's."""
    kind, body = objects.get(name, ("", []))
    master = [body[k + 1][1][1] for k, (d, tok) in enumerate(body) if tok == ("word", "master") and k + 1 < len(body)]
    if master and master[0] in objects:
        kind, body = objects[master[0]]
    curve = next((k for k, (d, tok) in enumerate(body) if tok == ("word", "fcurve")), None)
    if curve is None:
        return None, None
    shape = body[curve:]
    if number_in(shape, "w") is not None:
        return number_in(shape, "w"), number_in(shape, "h")
    xs, ys = [], []
    for k, (d, tok) in enumerate(shape):
        if tok in (("word", "move"), ("word", "draw")) and k + 2 < len(shape):
            xs.append(int(shape[k + 1][1][1], 0))
            ys.append(int(shape[k + 2][1][1], 0))
    return (max(xs) - min(xs), max(ys) - min(ys)) if xs else (None, None)


def paper_sizes(objects):
    """Page name -> (w, h) in millipoints, from the chapter before it."""
    sizes, paper = {}, None
    for name, (kind, body) in objects.items():
        if kind == "chapter":
            paper = (number_in(body, "w"), number_in(body, "h"))
        elif kind in ("page", "masterpage"):
            sizes[name] = paper if paper else (595000, 842000)
    return sizes


# ---- the browser side --------------------------------------------------------

class Dom(html.parser.HTMLParser):
    """Story text by (story, render, part), images and pages with their
    measured attributes, from the browser's dump."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.parts, self.images, self.pages = [], {}, [], []
        self.frames = []  # enclosing data-frame names
        self.measured = False

    VOID = {"img", "meta", "br", "hr", "input", "link"}

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "body" and a.get("data-measured") == "yes":
            self.measured = True
        if tag == "img":
            self.images.append((a, self.current_frame()))
        if "data-page" in a:
            self.pages.append(a)
        if tag in self.VOID:
            return
        story = None
        if "data-story" in a:
            story = (a["data-story"], a["data-render"], int(a["data-part"]))
            self.parts.setdefault(story, "")
        self.stack.append((tag, story, a.get("class", "").split(), a.get("data-frame")))

    def handle_endtag(self, tag):
        for k in range(len(self.stack) - 1, -1, -1):
            if self.stack[k][0] == tag:
                del self.stack[k:]
                return

    def current_story(self):
        for tag, story, classes, frame in reversed(self.stack):
            if story:
                return story
        return None

    def current_frame(self):
        for tag, story, classes, frame in reversed(self.stack):
            if frame:
                return frame
        return None

    def handle_data(self, data):
        if any("t" in classes for tag, story, classes, frame in self.stack[-1:]):
            story = self.current_story()
            if story:
                self.parts[story] += data


def check_dom(dom_text, objects):
    """The problems found in one dumped DOM: empty when it is right."""
    problems = []
    dom = Dom()
    dom.feed(dom_text)
    if not dom.measured:
        return ["the browser did not run the measurements"], dom
    renders = {}
    for (story, render, part), text in sorted(dom.parts.items(), key=lambda item: (item[0][0], item[0][1], item[0][2])):
        renders.setdefault((story, render), []).append(text)
    shown = {}
    for (story, render), parts in renders.items():
        shown.setdefault(story, []).append(shown_characters("".join(parts)))
    for story, expected in story_texts(objects).items():
        if story not in shown:
            problems.append(f"{story} is not shown")
            continue
        for text in shown[story]:
            if text != expected:
                at = next((k for k in range(min(len(text), len(expected))) if text[k] != expected[k]), min(len(text), len(expected)))
                problems.append(f"{story} reads differently from character {at}: {text[at:at + 40]!r} against {expected[at:at + 40]!r}")
    for attrs, frame in dom.images:
        if attrs.get("data-decoded") != "yes":
            problems.append(f"picture {attrs.get('data-picture')} did not decode")
        w, h = frame_size(objects, frame)
        box = [float(v) for v in attrs.get("data-box", "0x0").split("x")]
        if w is None or abs(box[0] - w / 750) > 1 or abs(box[1] - h / 750) > 1:  # millipoints to CSS pixels
            problems.append(f"picture in {frame} is {box} pixels, its frame {w}x{h} millipoints")
    sizes = paper_sizes(objects)
    for attrs in dom.pages:
        w, h = sizes.get(attrs["data-page"], (None, None))
        box = [float(v) for v in re.split("[x+]", attrs.get("data-box", "0x0+0+0"))]
        if w is None or abs(box[0] - w / 750) > 1 or abs(box[1] - h / 750) > 1:
            problems.append(f"page {attrs['data-page']} is {box[:2]} pixels, its paper {w}x{h} millipoints")
    if not dom.pages and not renders:
        problems.append("nothing is shown")
    return problems, dom


def not_blank(screenshot, page_box):
    """Whether the first page's area of the screenshot holds dark pixels."""
    w, h, x, y = (int(float(v)) for v in re.split("[x+]", page_box))
    w, h = min(w, 1200 - x), min(h, 6000 - y)
    result = subprocess.run(["convert", screenshot, "-crop", f"{w}x{h}+{x}+{y}", "-colorspace", "Gray",
                             "-threshold", "60%", "-negate", "-format", "%[fx:mean]", "info:"],
                            capture_output=True, text=True, check=False)
    return result.returncode == 0 and float(result.stdout or 0) > 0.0005


def check_preview(preview_html, ddl_path, work, name, screenshot=True):
    with open(ddl_path, encoding="latin-1") as f:
        objects = ddl_objects(f.read())
    with open(preview_html, encoding="utf-8") as f:
        page = f.read()
    measured = os.path.join(work, name + ".measured.html")
    with open(measured, "w", encoding="utf-8") as f:
        f.write(page.replace("</body>", MEASURE, 1))
    profile = os.path.join(work, "profile")
    dump = chromium(["--virtual-time-budget=20000", "--dump-dom", "file://" + measured], profile)
    problems, dom = check_dom(dump.stdout.decode("utf-8", "replace"), objects)
    if screenshot and not problems:
        shot = os.path.join(work, name + ".png")
        chromium(["--window-size=1200,6000", "--virtual-time-budget=20000", "--screenshot=" + shot, "file://" + measured], profile)
        # The first ordinary page: master pages may well be empty.
        ordinary = [p for p in dom.pages if "master" not in p.get("class", "")]
        first = ordinary[0]["data-box"] if ordinary else "1100x5900+0+0"
        if not os.path.exists(shot) or not not_blank(shot, first):
            problems.append("the first page is blank in the screenshot")
    return problems, dom


def run(command):
    result = subprocess.run(command, capture_output=True, text=True, check=False)
    return result.returncode == 0


def documents(corpus, limit):
    found = []
    for root, dirs, files in os.walk(corpus):
        dirs.sort()
        if "!DocData.d87" in files:
            found.append(root)
            dirs[:] = []
            continue
        found.extend(os.path.join(root, f) for f in sorted(files) if f.endswith(".bc5"))
    return found, limit


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--preview", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--corpus")
    parser.add_argument("--documents", type=int, default=12)
    args = parser.parse_args()
    if shutil.which("chromium") is None:
        print("chromium is not installed (scripts/install-deps.sh installs it)")
        return 1
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)

    cases = [("Folioload", os.path.join(args.samples, "Sample.bc5"), "Sample-file"),
             ("Folioload", os.path.join(args.samples, "Sample"), "Sample-directory"),
             ("Markload", os.path.join(args.samples, "sample.ddf"), "sample")]
    if args.corpus and os.path.isdir(args.corpus):
        found, limit = documents(args.corpus, args.documents)
        taken = 0
        for k, path in enumerate(found):
            if taken == limit:
                break
            name = f"corpus{k:02d}-" + os.path.basename(path.rstrip("/")).replace(".bc5", "")
            ddl = os.path.join(args.work, name + ".ddl")
            if run([os.path.join(args.bin, "Folioload"), path, ddl]):  # documents too old to convert are passed over
                cases.append(("done", ddl, name))
                taken += 1
        if taken < min(10, len(found)):
            print(f"only {taken} real documents converted")
            return 1
    else:
        print("the corpus is not there: checking the samples only")

    failed = 0
    for k, (program, source, name) in enumerate(cases):
        ddl = source if program == "done" else os.path.join(args.work, name + ".ddl")
        if program != "done" and not run([os.path.join(args.bin, program), source, ddl]):
            print(f"FAIL {name}: {program} did not convert {source}")
            failed += 1
            continue
        preview = os.path.join(args.work, name + ".html")
        if not run([args.preview, ddl, preview]):
            print(f"FAIL {name}: ddl_preview failed")
            failed += 1
            continue
        if k == 0:
            # The check must be able to fail: drop one run of story text.
            with open(preview, encoding="utf-8") as f:
                page = f.read()
            broken = os.path.join(args.work, name + ".dropped.html")
            with open(broken, "w", encoding="utf-8") as f:
                f.write(re.sub(r'<span class="t"[^>]*>[^<]+</span>', "", page, count=1))
            problems, _ = check_preview(broken, ddl, args.work, name + ".dropped", screenshot=False)
            if not any("reads differently" in p for p in problems):
                print("FAIL the check does not notice a dropped run of story text")
                failed += 1
            else:
                print(f"ok   the check notices a dropped run: {problems[0]}")
        problems, dom = check_preview(preview, ddl, args.work, name)
        stories = len({story for story, render, part in dom.parts})
        if problems:
            failed += 1
            print(f"FAIL {name}: " + "; ".join(problems[:8]))
        else:
            print(f"ok   {name}: {stories} stories, {len(dom.images)} pictures, {len(dom.pages)} pages")
    print(f"{len(cases) - failed} of {len(cases)} previews pass")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
