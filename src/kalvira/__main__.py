"""python -m kalvira: the command line."""

from kalvira.cli import main

raise SystemExit(main())
