// What starting any program costs on this machine (scripts/bench.sh): a
// program that links only the C++ library and does nothing.
int main()
{
    return 0;
}
