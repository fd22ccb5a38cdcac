"""Validates a JSON file against a JSON Schema: schema_check.py FILE SCHEMA"""
import json
import sys

import jsonschema

with open(sys.argv[1], encoding="utf-8") as f, open(sys.argv[2], encoding="utf-8") as s:
    jsonschema.validate(json.load(f), json.load(s))
