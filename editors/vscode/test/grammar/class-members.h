// Members that class.oc includes.
int spare;
