#!/usr/bin/env python3
"""Fails when a script of the project calls a command that no package of
tools/install-deps.sh provides, so that a fresh machine never meets a missing tool
halfway through `make test`.

Scans tests/**/*.sh, tools/**/*.sh, .ci/run and the Makefile's recipes for the words in
command position, drops shell builtins, keywords and the scripts' own functions, and
finds the Debian package of every other command with dpkg -S.
"""
import glob
import os
import re
import shlex
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

KEYWORDS = {"if", "then", "else", "elif", "fi", "for", "while", "until", "do", "done", "case",
            "esac", "in", "function", "select", "time", "{", "}", "!", "[[", "]]"}
# Words that run the next word as a command after their own options.
WRAPPERS = {"exec", "command", "nohup", "nice", "setsid", "xargs", "env", "timeout", "flock"}
SEPARATORS = {";", "|", "||", "&&", "&", "(", "|&"}
NAME = re.compile(r"^[A-Za-z0-9_.+-]+$")
ASSIGNMENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=")
HEREDOC = re.compile(r"<<-?\s*(['\"]?)([A-Za-z_][A-Za-z0-9_]*)\1")
FUNCTION = re.compile(r"^\s*(?:function\s+)?([A-Za-z_][A-Za-z0-9_-]*)\s*\(\s*\)")


def split_substitutions(line):
    """The line with every $(...) and `...` replaced by a plain word, and their bodies."""
    out, bodies, i, quote = [], [], 0, None
    while i < len(line):
        c = line[i]
        if quote == "'":
            out.append(c)
            quote = None if c == "'" else quote
        elif c == "\\":
            out.append(line[i:i + 2])
            i += 1
        elif c == "#" and quote is None and (i == 0 or line[i - 1] in " \t;"):
            break
        elif c == "'" and quote is None:
            out.append(c)
            quote = "'"
        elif c == '"':
            out.append(c)
            quote = None if quote == '"' else '"'
        elif line.startswith("$((", i):
            end = line.find("))", i)
            end = len(line) if end < 0 else end + 2
            out.append("0")
            i = end
            continue
        elif line.startswith("$(", i) or c == "`":
            start = i + (2 if c == "$" else 1)
            depth, j = 1, start
            while j < len(line) and depth:
                if c == "`":
                    depth = 0 if line[j] == "`" else 1
                elif line[j] == "(":
                    depth += 1
                elif line[j] == ")":
                    depth -= 1
                j += 1
            bodies.append(line[start:j - 1 if depth == 0 else j])
            out.append("SUB")
            i = j
            continue
        else:
            out.append(c)
        i += 1
    return "".join(out), bodies


def skip_wrapper_options(words, i, wrapper):
    while i < len(words) and (words[i].startswith("-") or ASSIGNMENT.match(words[i])):
        takes_value = wrapper == "timeout" and words[i] in ("-k", "-s") or \
            wrapper == "xargs" and words[i] in ("-I", "-n", "-P", "-d")
        i += 2 if takes_value else 1
    if wrapper == "timeout":
        i += 1  # the duration
    if wrapper == "flock":
        if i < len(words) and not NAME.match(words[i]):
            return len(words)
        i += 1  # the lock file or descriptor
    return i


def commands_in(line):
    line, bodies = split_substitutions(line)
    found = []
    for body in bodies:
        found += commands_in(body)
    try:
        lexer = shlex.shlex(line, posix=True, punctuation_chars=True)
        lexer.whitespace_split = True
        words = list(lexer)
    except ValueError:
        return found  # an unfinished quote: the rest of it is on the next lines
    at_command, in_patterns, skipping = True, False, None
    i = 0
    while i < len(words):
        w = words[i]
        if skipping is not None:
            # A loop's variable and word list, or an array's elements.
            if w in skipping:
                skipping, at_command = None, w != ")"
        elif w in ("for", "select") and at_command:
            skipping = SEPARATORS | {"do"}
        elif at_command and w.endswith("=") and ASSIGNMENT.match(w) and \
                i + 1 < len(words) and words[i + 1] == "(":
            skipping = {")"}
            i += 1
        elif w == "case":
            in_patterns = False
            i += 1  # the word being matched
        elif w == "in" and i >= 2 and words[i - 2] == "case":
            in_patterns = True
        elif in_patterns and w == ")":
            in_patterns, at_command = False, True
        elif w in (";;", ";&", ";;&"):
            in_patterns, at_command = True, False
        elif w in ("esac", ")"):
            in_patterns, at_command = False, False
        elif in_patterns:
            pass
        elif w in SEPARATORS:
            at_command = True
        elif at_command:
            if w in KEYWORDS:
                pass
            elif ASSIGNMENT.match(w):
                pass
            else:
                at_command = False
                if NAME.match(w) and not w.startswith("-"):
                    found.append(w)
                    if w in WRAPPERS:
                        i = skip_wrapper_options(words, i + 1, w)
                        at_command = True
                        continue
        i += 1
    return found


def quotes_closed(line):
    try:
        lexer = shlex.shlex(line, posix=True, punctuation_chars=True)
        lexer.whitespace_split = True
        list(lexer)
        return True
    except ValueError:
        return False


def logical_lines(text):
    lines, pending, heredoc = [], "", None
    for raw in text.splitlines():
        if heredoc is not None:
            if raw.strip() == heredoc:
                heredoc = None
            continue
        if raw.endswith("\\"):
            pending += raw[:-1] + " "
            continue
        line = pending + raw
        if "=(" in line and line.count("(") > line.count(")"):
            pending = line + " "  # an array whose elements go on over the next lines
            continue
        if not quotes_closed(line):
            pending = line + "\n"  # a quoted text, say an awk program, goes on below
            continue
        pending = ""
        match = HEREDOC.search(line)
        if match:
            heredoc = match.group(2)
        lines.append(line)
    return lines


def makefile_recipes(text):
    recipes = []
    for line in logical_lines(text):
        if line.startswith("\t"):
            line = re.sub(r"\$\([A-Za-z0-9_]+\)", "X", line.strip().lstrip("@-"))
            recipes.append(line.replace("$$", "$"))
    return recipes


def scripts():
    files = glob.glob(os.path.join(ROOT, "tests", "**", "*.sh"), recursive=True)
    files += glob.glob(os.path.join(ROOT, "tools", "**", "*.sh"), recursive=True)
    files.append(os.path.join(ROOT, ".ci", "run"))
    return sorted(f for f in files if os.path.isfile(f))


def owners(paths):
    """Maps each path that dpkg knows to its package names."""
    result = subprocess.run(["dpkg", "-S", *paths], capture_output=True, text=True)
    owned = {}
    for line in result.stdout.splitlines():
        if line.startswith("diversion ") or ": " not in line:
            continue
        packages, path = line.split(": ", 1)
        owned[path] = {p.strip().split(":")[0] for p in packages.split(",")}
    return owned


def candidate_paths(command):
    paths = {os.path.join(d, command) for d in ("/usr/bin", "/bin", "/usr/sbin", "/sbin")}
    where = subprocess.run(["bash", "-c", 'command -v -- "$1"', "-", command],
                           capture_output=True, text=True).stdout.strip()
    if where.startswith("/"):
        paths |= {where, os.path.realpath(where)}
    for path in list(paths):
        if os.path.exists(path):
            paths.add(os.path.realpath(path))
    return sorted(paths)


def with_dependencies(names):
    """The installed packages that installing `names` brings: a command of wine's own
    libwine counts as provided by wine."""
    fields = "${Package}\\t${Provides}\\t${Depends}, ${Pre-Depends}\\n"
    table = subprocess.run(["dpkg-query", "-W", "-f", fields],
                           capture_output=True, text=True).stdout
    depends, providers = {}, {}
    for row in table.splitlines():
        package, provides, needs = (row.split("\t") + ["", ""])[:3]
        depends[package] = re.findall(r"(?:^|[,|]\s*)([a-z0-9][a-z0-9+.-]*)", needs)
        for virtual in re.findall(r"(?:^|,\s*)([a-z0-9][a-z0-9+.-]*)", provides):
            providers.setdefault(virtual, []).append(package)
    seen, todo = set(), list(names)
    while todo:
        name = todo.pop()
        for package in [name] + providers.get(name, []):
            if package not in seen:
                seen.add(package)
                todo += depends.get(package, [])
    return seen


def main():
    named = subprocess.run([os.path.join(ROOT, "tools", "install-deps.sh"), "--list"],
                           capture_output=True, text=True, check=True).stdout.split()
    listed = with_dependencies(named)
    callers, functions = {}, set()
    sources = [(path, logical_lines(open(path, encoding="utf-8").read())) for path in scripts()]
    makefile = os.path.join(ROOT, "Makefile")
    sources.append((makefile, makefile_recipes(open(makefile, encoding="utf-8").read())))
    for path, lines in sources:
        for line in lines:
            match = FUNCTION.match(line)
            if match:
                functions.add(match.group(1))
            for command in commands_in(line):
                callers.setdefault(command, set()).add(os.path.relpath(path, ROOT))

    builtins = set(subprocess.run(["bash", "-c", "compgen -b; compgen -k"],
                                  capture_output=True, text=True).stdout.split())
    external = sorted(c for c in callers if c not in builtins | functions | KEYWORDS)
    paths = {c: candidate_paths(c) for c in external}
    owned = owners(sorted({p for ps in paths.values() for p in ps}))
    problems = []
    for command in external:
        packages = set().union(*(owned.get(p, set()) for p in paths[command]))
        where = ", ".join(sorted(callers[command]))
        if packages & listed:
            continue
        if packages:
            problems.append(f"{command} (called by {where}) comes from package "
                            f"{' or '.join(sorted(packages))}: add it to tools/install-deps.sh")
        else:
            problems.append(f"{command} (called by {where}) is provided by no installed package: "
                            f"find its package (apt-cache search {command}) and add it to "
                            f"tools/install-deps.sh")
    for problem in problems:
        print("missing install step: " + problem)
    print(f"commands of the scripts: {len(external)} external, {len(problems)} without a package")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
