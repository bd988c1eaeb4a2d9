// The orvelc executable: everything happens in the driver library.
int OrvelcMain(int argc, char** argv);

int main(int argc, char** argv) { return OrvelcMain(argc, argv); }
