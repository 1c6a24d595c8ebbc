#pragma once

// Completion for the contact pickers: as the user types, a list of the picker's items that hold
// the typed text anywhere, capitals and accents ignored ("aoife b" and "AOIFE B" both find
// "Aoife Byrne", "sean o" finds "Seán Ó Briain"). Choosing one picks it in the box, as choosing
// it from the box's own list does.

#include <QString>

class QComboBox;

// The text as it is compared: accents taken off, case folded.
QString foldForSearch(const QString& text);

// Gives box (editable) that completion over its own items.
void completeOnAnyPart(QComboBox* box);
