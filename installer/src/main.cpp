// Process entry: everything happens in the installer's entry routine.
int main() { return 0; }
