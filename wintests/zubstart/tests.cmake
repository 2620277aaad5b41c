# The zubstart tool's Windows-side tests.
