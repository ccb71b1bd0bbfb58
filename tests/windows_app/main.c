// The program's code: an entry point of its own, so that the link needs no C runtime
// and no Windows libraries (-nostdlib).
int entry(void) { return 0; }
