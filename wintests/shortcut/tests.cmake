# The shortcut tool's Windows-side tests.
