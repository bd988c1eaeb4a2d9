// the second level
int y;