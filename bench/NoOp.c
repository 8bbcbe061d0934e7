/* The cheapest process there is: the start-up cost a run is compared with. */
int main(void) { return 0; }
