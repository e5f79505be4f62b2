// Program start. The main window and the start-up order arrive with the user interface.
int main() { return 0; }
