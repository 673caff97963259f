/* Stand-in shell extension: an in-process COM server that offers no class.
   The shell finds it through the registration that setup writes, asks it for
   a class factory, is told that the class is not available, and goes on. */
#include <windows.h>
#include <objbase.h>

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  (void)clsid;
  (void)iid;
  if (object == NULL)
    return E_POINTER;
  *object = NULL;
  return CLASS_E_CLASSNOTAVAILABLE;
}

/* Nothing is ever handed out, so the library may always be unloaded. */
STDAPI DllCanUnloadNow(void) { return S_OK; }
