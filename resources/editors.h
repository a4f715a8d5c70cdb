#pragma once
// Dialogs and controls of the value editors.
