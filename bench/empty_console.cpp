// The yardstick for the command line: a console program that does nothing.
int main() { return 0; }
