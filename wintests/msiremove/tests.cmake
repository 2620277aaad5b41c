# The msiremove tool's Windows-side tests.
