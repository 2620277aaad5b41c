# The fileacl tool's Windows-side tests.
