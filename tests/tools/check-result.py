#!/usr/bin/env python3
"""Checks a result of tavpkg apply, preview or --detect against docs/tavpkg-result.schema.json.

    check-result.py FILE [EXPRESSION]

Prints "ok" when FILE is valid and EXPRESSION (Python, over the parsed result `r`) is true;
otherwise prints what is wrong and exits 1. FILE "-" reads standard input.
"""
import json
import os
import sys

import jsonschema

SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs",
                      "tavpkg-result.schema.json")


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    try:
        if sys.argv[1] == "-":
            result = json.load(sys.stdin)
        else:
            with open(sys.argv[1], encoding="utf-8") as f:
                result = json.load(f)
    except (OSError, ValueError) as error:
        print(f"not a JSON result: {error}")
        return 1
    problems = sorted(jsonschema.Draft202012Validator(schema).iter_errors(result), key=str)
    for problem in problems:
        where = "/".join(str(part) for part in problem.absolute_path) or "(top)"
        print(f"{where}: {problem.message}")
    if problems:
        return 1
    if len(sys.argv) == 3 and not eval(sys.argv[2], {}, {"r": result}):
        print(f"false: {sys.argv[2]}")
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
