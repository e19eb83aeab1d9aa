#include "app/CMainApp.h"

wxIMPLEMENT_APP(CMainApp);
