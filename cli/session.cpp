// Session scripts: reading them into steps and playing them against the host.
