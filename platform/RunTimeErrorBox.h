#pragma once

// Makes every run-time error show in a critical message box, titled with the
// program's name, before the program ends.
void showRunTimeErrorsInABox();
