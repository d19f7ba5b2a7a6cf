#!/usr/bin/env python3
"""Writes a Python and a C source of LINES lines each (default 50,000) that mix what
real code has: indentation, keywords, identifiers, numbers, strings with escapes,
comments, docstrings and block comments over several lines, preprocessor lines."""
import random
import sys

out_dir = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 50000
rng = random.Random(7)
names = ["value", "index", "result", "buffer", "count", "node", "item", "offset", "size",
         "config", "parser", "state", "_private", "data2", "total"]


def name():
    return rng.choice(names)


PYTHON = [
    lambda: "def {}(self, {}, {}=None):".format(name(), name(), name()),
    lambda: "    \"\"\"Return the {} of the {} as a list.".format(name(), name()),
    lambda: "    It is computed once and kept.\"\"\"",
    lambda: "    if {} is None and {} > {}:".format(name(), name(), rng.randint(0, 9999)),
    lambda: "        {} = {}.get('{}', 0x{:X})  # fall back".format(name(), name(), name(),
                                                                   rng.randint(0, 65535)),
    lambda: "        return [{} for {} in range({})]".format(name(), name(), rng.randint(1, 99)),
    lambda: "    for {}, {} in enumerate(self.{}):".format(name(), name(), name()),
    lambda: "        print(\"{}: %d\\n\" % {}, end='')".format(name(), name()),
    lambda: "    # {} {} {}".format(name(), name(), name()),
    lambda: "    {} += {}.{}({}, {:.3f})".format(name(), name(), name(), name(), rng.random()),
    lambda: "class {}(object):".format(name().capitalize()),
    lambda: "",
    lambda: "    while not {}: {} = yield {}".format(name(), name(), name()),
    lambda: "    raise ValueError(\"bad {} '%s'\" % {!r})".format(name(), name()),
]

C = [
    lambda: "#include <{}.h>".format(name()),
    lambda: "#define {}_MAX {}U".format(name().upper(), rng.randint(0, 65535)),
    lambda: "static int {}(const char *{}, size_t {})".format(name(), name(), name()),
    lambda: "{",
    lambda: "    for (int i = 0; i < {}; ++i) {{".format(rng.randint(1, 1000)),
    lambda: "        {}[i] = {}->{} + 0x{:08X}UL; // {}".format(name(), name(), name(),
                                                             rng.randint(0, 2**32 - 1), name()),
    lambda: "        if ({} == '\\n' || {} == '\\'')".format(name(), name()),
    lambda: "            return printf(\"{} %d: %s\\n\", {}, {});".format(name(), name(), name()),
    lambda: "    }",
    lambda: "    /* {} {} {}".format(name(), name(), name()),
    lambda: "       {} {} */".format(name(), name()),
    lambda: "    struct {} *{} = malloc(sizeof(*{}));".format(name(), name(), name()),
    lambda: "    while ({} != NULL && {}-- > 0) {{ {} = {}->next; }}".format(
        name(), name(), name(), name()),
    lambda: "    return {} ? {} : -1;".format(name(), name()),
    lambda: "}",
    lambda: "",
]


def write(path, templates):
    with open(path, "w") as f:
        for _ in range(count):
            f.write(rng.choice(templates)() + "\n")


write(out_dir + "/bench.py", PYTHON)
write(out_dir + "/bench.c", C)
