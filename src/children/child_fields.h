#pragma once

class DataSet;
class QGridLayout;

// The eighteen identity and family fields of a child, in screen and tab order, with their
// captions, markers and fixed lists; shared by registration and details.
void addChildFields(DataSet &data, QGridLayout *grid);
