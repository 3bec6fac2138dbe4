// Keeps every subsystem library non-empty while it is being filled.
