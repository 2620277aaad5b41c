# The smexport tool's Windows-side tests.
