#pragma once
// Dialogs and controls of the views room (progress dialog, open/import options).
