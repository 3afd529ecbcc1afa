// Linked with every object of one library and only the libraries it names as its own: the
// link fails when the library needs anything else.
int main() {
    return 0;
}
