// A library that carries pictures but exports no entry point.
int NoEntryPoint() { return 0; }
