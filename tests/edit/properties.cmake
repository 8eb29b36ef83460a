# The node and canvas property operations, on a document alone.
velquin_add_test(edit_properties_test CORE NodePropertiesTest.cpp CanvasPropertiesTest.cpp)
