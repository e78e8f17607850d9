// TessaShared.dll: a component every product of the publisher uses. It is
// installed once into the publisher's folder below Common Files and counted
// there, so removing one product leaves it for the others. Programs find it
// by that path (see calc.c), not beside themselves.
__declspec(dllexport) const char* TessaSharedGreeting(void) {
  return "Hello from the shared component of Tessaform Samples";
}
