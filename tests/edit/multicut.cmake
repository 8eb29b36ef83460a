# Sources of this feature; add files explicitly.
velquin_add_test(edit_multicut_test CORE MultiCutTest.cpp)
