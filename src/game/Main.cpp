// Program entry; replaced by the platform layer's entry once it exists.
int main() { return 0; }
