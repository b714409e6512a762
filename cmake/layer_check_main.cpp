// The program that links one layer of the core whole against the layers below it: when it
// links, no file of the layer calls into a higher one (cmake/Layers.cmake).
int main() {
  return 0;
}
